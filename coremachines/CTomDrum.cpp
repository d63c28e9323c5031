#include "coremachines/CWaveTables.h"
#include "coremachines/DrumVoices.h"
#include "coremachines/Units.h"
#include <algorithm>

namespace {

enum : int32_t { PITCH, AMP, O1, O2, O3, NOISE };

// First, second and third oscillator per variant, times 1 + Tune.
constexpr double kTunings[3][3] = {{45.45, 30.3, 83.33}, {55.56, 37.03, 100.0}, {66.67, 45.45, 121.95}};

} // namespace

CTomDrum::CTomDrum(const CWaveTables* tables, int32_t rate, int32_t blockSize, int32_t variant, int32_t tuneIndex,
                   int32_t decayIndex)
    : CDrumKitVoice(rate, blockSize, false), triangle(tables->Triangle()), variant(std::clamp(variant, 0, 2)),
      tuneIndex(tuneIndex), decayIndex(decayIndex), o1(rate, tables->Sine(), 100.0), o2(rate, tables->Sine(), 100.0),
      o3(rate, tables->Sine(), 100.0), oscillators3{&o1, &o2, &o3}, amp(rate, 0.01, 0.31, 0.0, -2.0),
      noiseEnvelope(rate, 0.0001, 0.001), noiseLowPass(rate), bodyAmp(CAmplifier::MODE_EXPONENTIAL, 1.0),
      noiseAmp(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    for (CTableOscillator* o : oscillators3)
        AddOscillator(o);
    AddEnvelope(&amp)->SetHold(0.04);
    AddEnvelope(&noiseEnvelope);
    AddFilter(&noiseLowPass);
    SetUpFilter(noiseLowPass, CMultiModeFilter::MODE_LOW_PASS, 1100.0, 4.0);
    SetParameter(tuneIndex, 1.0);
}

void CTomDrum::SetParameter(int32_t index, double x)
{
    if (index == tuneIndex) {
        for (int32_t k = 0; k < 3; ++k)
            oscillators3[k]->SetOctave(FrequencyToOctave(kTunings[variant][k] * (1.0 + x)));
    } else if (index == decayIndex) {
        amp.SetDecay(0.23 + 0.17 * x);
    }
}

void CTomDrum::Synthesize(double* out, const double* noise, int32_t count)
{
    double* p = Buffer(PITCH);
    double* a = Buffer(AMP);
    double* b1 = Buffer(O1);
    double* b2 = Buffer(O2);
    double* b3 = Buffer(O3);
    double* n = Buffer(NOISE);
    amp.Render(a, count);
    for (int32_t i = 0; i < count; ++i)
        p[i] = (a[i] - 0.5) * 0.2; // a fifth of an octave down over the sound
    o1.RenderMix(b1, p, triangle, 0.2, nullptr, count);
    o2.RenderMix(b2, p, triangle, 0.2, nullptr, count);
    o3.RenderMix(b3, p, triangle, 0.2, nullptr, count);
    // The noise burst: its envelope opens the filter by up to an octave.
    noiseEnvelope.Render(p, count);
    std::copy(noise, noise + count, n);
    noiseLowPass.Render(n, count, p);
    noiseAmp.Render(n, p, count);
    for (int32_t i = 0; i < count; ++i)
        out[i] = 0.2 * b1[i] + b2[i] + 0.2 * b3[i] + 2.0 * n[i];
    bodyAmp.Render(out, a, count);
}
