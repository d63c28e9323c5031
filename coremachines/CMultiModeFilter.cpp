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
    first.Clear();
    second.Clear();
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
    case MODE_LOW_PASS:
        coefficients.LowPass(omega, damping);
        break;
    case MODE_HIGH_PASS:
        coefficients.HighPass(omega, damping);
        break;
    case MODE_BAND_PASS:
        coefficients.BandPass(omega, power);
        break;
    default:
        coefficients.BandStop(omega, power);
        break;
    }
}

template <bool Cascade>
void CMultiModeFilter::Filter(double* buffer, int32_t count, const double* cutoffOffset, const double* resonanceOffset)
{
    // Local copies: the stores to the buffer could alias the members, which
    // would put a memory round trip into the recursion of every sample.
    BiquadHistory a = first;
    BiquadHistory b = second;
    const auto run = [&](double* part, int32_t n) {
        const BiquadCoefficients c = coefficients;
        const double g = gain;
        for (int32_t i = 0; i < n; ++i) {
            double y = a.Process(c, part[i]);
            if constexpr (Cascade)
                y = b.Process(c, y);
            part[i] = y * g;
        }
    };
    if (!cutoffOffset && !resonanceOffset) {
        Update(cutoff, resonance);
        run(buffer, count);
    } else {
        // Offsets are read on every fourth sample; the coefficients hold
        // between.
        for (int32_t i = 0; i < count; i += kCoefficientInterval) {
            UpdateAt(i, cutoffOffset, resonanceOffset);
            run(buffer + i, count - i < kCoefficientInterval ? count - i : kCoefficientInterval);
        }
    }
    first = a;
    if constexpr (Cascade)
        second = b;
}

void CMultiModeFilter::Render(double* buffer, int32_t count, const double* cutoffOffset, const double* resonanceOffset)
{
    if (cascade)
        Filter<true>(buffer, count, cutoffOffset, resonanceOffset);
    else
        Filter<false>(buffer, count, cutoffOffset, resonanceOffset);
}
