#pragma once
// One echo line: a one-second circular buffer whose read point trails the
// write point by the delay time and glides when the time changes; the
// input plus the fed-back echo pass a low pass (swept by a modulation
// signal) before they are stored and output.
#include "coremachines/Biquad.h"
#include <cstdint>
#include <vector>

class CDelayLine {
public:
    // The low pass is recomputed from the modulation every fourth sample.
    static constexpr int32_t kCoefficientInterval = 4;

    explicit CDelayLine(int32_t sampleRate);

    // Reallocates the buffer (one second), cleared.
    void SetSampleRate(int32_t hz);
    // Seconds, 0..1. Until the line has rendered (since it was made or its
    // rate changed) a new time places the read point at once, so that a
    // loaded setting does not glide; afterwards the read point glides.
    void SetDelayTime(double seconds);
    void SetFeedback(double gain) { feedback = gain; }
    void SetFilterOctave(double octave);
    void SetBandwidth(double hz) { bandwidth = hz; }

    // out[i] = the line's output for in[i]; modulation scales the cutoff.
    void Render(const double* in, double* out, const double* modulation, int32_t count);

    int32_t Length() const { return static_cast<int32_t>(buffer.size()); }
    double ReadOffset() const { return readOffset; }
    double TargetOffset() const { return targetOffset; }
    double Bandwidth() const { return bandwidth; }

private:
    void UpdateTarget();
    void Compute(double modulation);

    int32_t sampleRate;
    std::vector<double> buffer;
    int32_t writeIndex = 0;
    double delayTime = 0.0;
    bool rendered = false;
    double targetOffset = 0.0;
    double readOffset = 0.0;
    double feedback = 0.0;
    double octave = 0.0;
    double bandwidth = 0.0; // kept for a band-pass mode; the low pass ignores it

    double computedFor = -1.0; // the modulation value of the coefficients
    BiquadCoefficients coefficients;
    BiquadHistory history;
};
