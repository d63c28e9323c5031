#pragma once

// Where the render cycle leaves each block's peaks: the largest squared
// sample after the master volume, per output channel (a mono output gives
// the same value twice). Called on the render thread once per block; the
// sink guards its values with its own lock.
class CMeterSink {
public:
    virtual void PutPeaks(double first, double second) = 0;

protected:
    ~CMeterSink() = default;
};
