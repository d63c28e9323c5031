#pragma once
// A second-order section in direct form I: coefficients computed from the
// bilinear transform (ω = π·cutoff/rate), and the history of one section.
#include <cstdint>

struct BiquadCoefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;

    void LowPass(double omega, double damping);
    void HighPass(double omega, double damping);
    // Centred on 2·ω; `width` scales ω to the half bandwidth.
    void BandPass(double omega, double width);
    void BandStop(double omega, double width);
};

struct BiquadHistory {
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    double Process(const BiquadCoefficients& c, double x)
    {
        const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void Clear() { x1 = x2 = y1 = y2 = 0.0; }
};
