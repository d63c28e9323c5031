#pragma once
// Multiplies a signal by a control signal: exponentially (2^(c/k) − 1, so 0
// is silence and 1 unity for k = 1) or linearly (c/k).
#include <cstdint>

class CAmplifier {
public:
    enum Mode : int32_t { MODE_LINEAR = 0, MODE_EXPONENTIAL = 1 };

    CAmplifier(int32_t mode, double scale) : mode(mode), scale(scale) {}

    void SetMode(int32_t newMode)
    {
        mode = newMode;
        cached = false;
    }
    void SetScale(double k)
    {
        scale = k;
        cached = false;
    }
    void Render(double* buffer, const double* control, int32_t count);

private:
    int32_t mode;
    double scale;
    // The last control value and its gain: envelopes hold still for long
    // stretches, and the exponential runs only when the control moved.
    double lastControl = 0.0;
    double lastGain = 0.0;
    bool cached = false;
};
