#pragma once
#include <atomic>

class CAudioBuffer;
class CConnector;

// One cable, held by its input connector. The target volume may be set from
// any thread (the cable slider); the current volume belongs to the render
// cycle, which glides it towards the target frame by frame.
class CConnection {
public:
    CConnection(CConnector* source, CConnector* destination, double volume)
        : source(source), destination(destination), targetVolume(volume), currentVolume(volume)
    {
    }
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    double GetTargetVolume() const { return targetVolume.load(std::memory_order_relaxed); }
    void SetTargetVolume(double volume) { targetVolume.store(volume, std::memory_order_relaxed); }
    double GetCurrentVolume() const { return currentVolume; }

    // Adds the source's audio into `into` at the gliding volume, converting
    // between mono and stereo. Render thread only.
    void MixInto(CAudioBuffer* into);

    CConnector* const source;      // an output
    CConnector* const destination; // the input that holds this connection

private:
    std::atomic<double> targetVolume;
    double currentVolume;
};
