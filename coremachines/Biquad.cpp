#include "coremachines/Biquad.h"
#include <cmath>

void BiquadCoefficients::LowPass(double omega, double damping)
{
    const double p = 1.0 / std::tan(omega);
    const double a = 1.0 / (1.0 + damping * p + p * p);
    b0 = a;
    b1 = 2.0 * a;
    b2 = a;
    a1 = 2.0 * a * (1.0 - p * p);
    a2 = a * (1.0 - damping * p + p * p);
}

void BiquadCoefficients::HighPass(double omega, double damping)
{
    const double p = std::tan(omega);
    const double a = 1.0 / (1.0 + damping * p + p * p);
    b0 = a;
    b1 = -2.0 * a;
    b2 = a;
    a1 = 2.0 * a * (p * p - 1.0);
    a2 = a * (1.0 - damping * p + p * p);
}

void BiquadCoefficients::BandPass(double omega, double width)
{
    const double p = std::tan(width * omega);
    b0 = p / (1.0 + p);
    b1 = 0.0;
    b2 = -b0;
    a1 = -2.0 * std::cos(2.0 * omega) / (1.0 + p);
    a2 = (1.0 - p) / (1.0 + p);
}

void BiquadCoefficients::BandStop(double omega, double width)
{
    const double p = std::tan(width * omega);
    const double a = 1.0 / (1.0 + p);
    b0 = a;
    b1 = -2.0 * a * std::cos(2.0 * omega);
    a1 = b1;
    b2 = a;
    a2 = (1.0 - p) * a;
}
