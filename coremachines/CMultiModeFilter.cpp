#include "coremachines/CMultiModeFilter.h"
#include "coremachines/Units.h"
#include <algorithm>
#include <cmath>
#include <numbers>

CMultiModeFilter::CMultiModeFilter(int32_t sampleRate) : sampleRate(sampleRate > 0 ? sampleRate : 1) {}

void CMultiModeFilter::SetSampleRate(int32_t hz)
{
    if (hz > 0)
        sampleRate = hz;
    dirty = true;
}

void CMultiModeFilter::SetMode(int32_t newMode)
{
    mode = std::clamp(newMode, 0, 3);
    dirty = true;
}

void CMultiModeFilter::SetCascade(bool twoSections)
{
    cascade = twoSections;
}

void CMultiModeFilter::SetCutoff(double octave)
{
    cutoff = octave;
    dirty = true;
}

void CMultiModeFilter::SetResonance(double decibels)
{
    resonance = decibels;
    dirty = true;
}

void CMultiModeFilter::SetGain(double factor)
{
    gainFactor = factor;
    dirty = true;
}

void CMultiModeFilter::Clear()
{
    x1 = x2 = y1 = y2 = 0.0;
    u1 = u2 = v1 = v2 = 0.0;
}

double CMultiModeFilter::ClampedFrequency(double octave) const
{
    return std::clamp(OctaveToFrequency(octave), 1.0, sampleRate / 4.0);
}

void CMultiModeFilter::Compute(double octave, double decibels)
{
    dirty = false;
    computedOctave = octave;
    computedResonance = decibels;
    if (!factorsValid || decibels != factorsFor) {
        power = std::pow(10.0, -decibels / 10.0);
        amplitude = std::pow(10.0, -decibels / 20.0);
        factorsFor = decibels;
        factorsValid = true;
    }
    const double omega = std::numbers::pi * ClampedFrequency(octave) / sampleRate;
    const double damping = std::numbers::sqrt2 * power;
    gain = gainFactor * amplitude;
    switch (mode) {
    case MODE_LOW_PASS: {
        const double p = 1.0 / std::tan(omega);
        const double a = 1.0 / (1.0 + damping * p + p * p);
        b0 = a;
        b1 = 2.0 * a;
        b2 = a;
        a1 = 2.0 * a * (1.0 - p * p);
        a2 = a * (1.0 - damping * p + p * p);
        break;
    }
    case MODE_HIGH_PASS: {
        const double p = std::tan(omega);
        const double a = 1.0 / (1.0 + damping * p + p * p);
        b0 = a;
        b1 = -2.0 * a;
        b2 = a;
        a1 = 2.0 * a * (p * p - 1.0);
        a2 = a * (1.0 - damping * p + p * p);
        break;
    }
    case MODE_BAND_PASS: {
        const double p = std::tan(power * omega);
        b0 = p / (1.0 + p);
        b1 = 0.0;
        b2 = -b0;
        a1 = -2.0 * std::cos(2.0 * omega) / (1.0 + p);
        a2 = (1.0 - p) / (1.0 + p);
        break;
    }
    default: {
        const double p = std::tan(power * omega);
        const double a = 1.0 / (1.0 + p);
        b0 = a;
        b1 = -2.0 * a * std::cos(2.0 * omega);
        a1 = b1;
        b2 = a;
        a2 = (1.0 - p) * a;
        break;
    }
    }
}

template <bool Cascade>
void CMultiModeFilter::Filter(double* buffer, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const double x = buffer[i];
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        if constexpr (Cascade) {
            const double z = b0 * y + b1 * u1 + b2 * u2 - a1 * v1 - a2 * v2;
            u2 = u1;
            u1 = y;
            v2 = v1;
            v1 = z;
            y = z;
        }
        buffer[i] = y * gain;
    }
}

void CMultiModeFilter::Render(double* buffer, int32_t count, const double* cutoffOffset, const double* resonanceOffset)
{
    auto run = [&](double* part, int32_t n) {
        if (cascade)
            Filter<true>(part, n);
        else
            Filter<false>(part, n);
    };
    if (!cutoffOffset && !resonanceOffset) {
        Update(cutoff, resonance);
        run(buffer, count);
        return;
    }
    // Offsets are read on every fourth sample; the coefficients hold
    // between.
    for (int32_t i = 0; i < count; i += kCoefficientInterval) {
        Update(cutoff + (cutoffOffset ? cutoffOffset[i] : 0.0), resonance + (resonanceOffset ? resonanceOffset[i] : 0.0));
        run(buffer + i, count - i < kCoefficientInterval ? count - i : kCoefficientInterval);
    }
}
