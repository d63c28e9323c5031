#pragma once
#include "framework/CMutex.h"
#include "studio/CMeterSink.h"
#include <cstdint>

// The master meter's levels: what the render cycle measured last and the
// held peaks, per channel, in dB. A held peak stays one second, then falls
// at 48 dB per second down to -90. Written on the render thread and read on
// the graphics thread under its own lock.
class CMeterLevels : public CMeterSink, public CMutex {
public:
    static constexpr int32_t kChannels = 2;
    static constexpr double kPeakFloor = -90.0;
    static constexpr double kDecayPerSecond = 48.0;
    static constexpr uint32_t kHoldMilliseconds = 1000;

    CMeterLevels();

    void PutPeaks(double first, double second) override;
    // The same at a given tick count (milliseconds).
    void PutPeaksAt(double first, double second, uint32_t now);
    // Lets held peaks fall; the graphics thread calls it before drawing.
    void Decay(uint32_t now);

    double GetLevel(int32_t channel);
    double GetPeak(int32_t channel);

private:
    void Put(int32_t channel, double squared, uint32_t now);

    double levels[kChannels];
    double peaks[kChannels];
    uint32_t peakTimes[kChannels] = {}; // 0: none
};
