#pragma once
// Biquad filter in four modes with an optional second identical section.
// Coefficients follow the cutoff (octaves) and resonance (dB); with
// per-sample offset buffers they are recomputed every fourth sample.
#include "coremachines/Biquad.h"
#include <cstdint>

class CMultiModeFilter {
public:
    enum Mode : int32_t { MODE_LOW_PASS = 0, MODE_HIGH_PASS, MODE_BAND_PASS, MODE_BAND_STOP };
    static constexpr int32_t kCoefficientInterval = 4;

    explicit CMultiModeFilter(int32_t sampleRate);

    void SetSampleRate(int32_t hz);
    void SetMode(int32_t mode);
    void SetCascade(bool twoSections);
    void SetCutoff(double octave);
    void SetResonance(double decibels);
    // Output gain factor (1 by default), on top of the resonance's 10^(−R/20).
    void SetGain(double factor);

    // Filters in place. cutoffOffset adds octaves, resonanceOffset adds dB.
    void Render(double* buffer, int32_t count, const double* cutoffOffset = nullptr,
                const double* resonanceOffset = nullptr);
    void Clear();

    // Two filters in series over one buffer in one pass, `between` applied
    // to every sample between them: the values of Render on `one`, then
    // `between`, then Render on `two`, but the two recursions overlap, where
    // run one after the other each waits on its own every sample.
    template <typename Between>
    static void RenderSeries(CMultiModeFilter& one, const double* oneCutoff, const double* oneResonance,
                             CMultiModeFilter& two, const double* twoCutoff, const double* twoResonance,
                             double* buffer, int32_t count, Between between);

    int32_t GetMode() const { return mode; }
    // The cutoff in Hz the coefficients use for an octave value.
    double ClampedFrequency(double octave) const;

private:
    // Recomputes the coefficients unless they are for these inputs already.
    void Update(double octave, double decibels)
    {
        if (dirty || octave != computedOctave || decibels != computedResonance)
            Compute(octave, decibels);
    }
    // The coefficients for sample i of a block with these offsets.
    void UpdateAt(int32_t i, const double* cutoffOffset, const double* resonanceOffset)
    {
        if (!cutoffOffset && !resonanceOffset)
            Update(cutoff, resonance);
        else
            Update(cutoff + (cutoffOffset ? cutoffOffset[i] : 0.0),
                   resonance + (resonanceOffset ? resonanceOffset[i] : 0.0));
    }
    void Compute(double octave, double decibels);
    template <bool Cascade>
    void Filter(double* buffer, int32_t count, const double* cutoffOffset, const double* resonanceOffset);

    int32_t sampleRate;
    int32_t mode = MODE_LOW_PASS;
    bool cascade = false;
    double cutoff = 0.0;
    double resonance = 0.0;
    double gainFactor = 1.0;
    bool dirty = true; // a setting changed since the last Compute
    double computedOctave = 0.0;
    double computedResonance = 0.0;

    // Resonance-derived factors, kept for the last resonance computed.
    double factorsFor = 0.0;
    bool factorsValid = false;
    double power = 1.0;     // 10^(−R/10)
    double amplitude = 1.0; // 10^(−R/20)

    BiquadCoefficients coefficients;
    double gain = 1.0;
    BiquadHistory first;
    BiquadHistory second;
};

template <typename Between>
void CMultiModeFilter::RenderSeries(CMultiModeFilter& one, const double* oneCutoff, const double* oneResonance,
                                    CMultiModeFilter& two, const double* twoCutoff, const double* twoResonance,
                                    double* buffer, int32_t count, Between between)
{
    if (one.cascade || two.cascade) {
        one.Render(buffer, count, oneCutoff, oneResonance);
        for (int32_t i = 0; i < count; ++i)
            buffer[i] = between(buffer[i]);
        two.Render(buffer, count, twoCutoff, twoResonance);
        return;
    }
    BiquadHistory h1 = one.first;
    BiquadHistory h2 = two.first;
    for (int32_t i = 0; i < count; i += kCoefficientInterval) {
        one.UpdateAt(i, oneCutoff, oneResonance);
        two.UpdateAt(i, twoCutoff, twoResonance);
        const BiquadCoefficients c1 = one.coefficients;
        const BiquadCoefficients c2 = two.coefficients;
        const double g1 = one.gain;
        const double g2 = two.gain;
        const int32_t end = count - i < kCoefficientInterval ? count : i + kCoefficientInterval;
        for (int32_t k = i; k < end; ++k)
            buffer[k] = h2.Process(c2, between(h1.Process(c1, buffer[k]) * g1)) * g2;
    }
    one.first = h1;
    two.first = h2;
}
