#include "coremachines/CWaveTables.h"
#include "coremachines/DrumVoices.h"
#include "coremachines/Units.h"
#include <algorithm>
#include <cmath>

namespace {

enum : int32_t { TUNE = 5, TONE = 8, SNAPPY = 9 };
enum : int32_t { PITCH, O1, O2, ENV, LOW, HIGH };

double SnappyGain(double x)
{
    return x <= 0.0 ? 0.0 : std::pow(10.0, -3.2 * (1.0 - x));
}

} // namespace

CSnareDrum::CSnareDrum(const CWaveTables* tables, int32_t rate, int32_t blockSize)
    : CDrumKitVoice(rate, blockSize, true), triangle(tables->Triangle()), first(rate, tables->Sine(), 140.0),
      second(rate, tables->Sine(), 256.67), body1(rate, 0.001, 0.17, 0.0, -4.0), body2(rate, 0.001, 0.17, 0.0, -8.0),
      pitch(rate, 0.0, 0.17, 0.0, -2.0), snap(rate, 0.0, 0.0), snare(rate, 0.03, 0.09), noiseLowPass(rate),
      noiseHighPass(rate), amp1(CAmplifier::MODE_EXPONENTIAL, 1.0), amp2(CAmplifier::MODE_EXPONENTIAL, 1.0),
      snareAmp(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    first.SetOctave(FrequencyToOctave(140.0));
    second.SetOctave(FrequencyToOctave(256.67));
    AddOscillator(&first);
    AddOscillator(&second);
    for (CDrumEnvelope* e : {&body1, &body2, &pitch})
        AddEnvelope(e)->SetDelay(0.002);
    // The zero-time envelope holds 2 ms: the stick's contact, which keeps
    // the voice alive through the body's 2 ms delay.
    AddEnvelope(&snap)->SetHold(0.002);
    AddEnvelope(&snare);
    AddFilter(&noiseLowPass);
    AddFilter(&noiseHighPass);
    SetUpFilter(noiseLowPass, CMultiModeFilter::MODE_LOW_PASS, 5000.0);
    SetUpFilter(noiseHighPass, CMultiModeFilter::MODE_HIGH_PASS, 5000.0);
}

void CSnareDrum::SetParameter(int32_t index, double x)
{
    switch (index) {
    case TUNE: {
        const double hz = 80.0 * x + 140.0;
        first.SetOctave(FrequencyToOctave(hz));
        second.SetOctave(FrequencyToOctave(hz / 180.0 * 330.0));
        break;
    }
    case TONE:
        snare.SetDecay(0.09 + 0.18 * x);
        break;
    case SNAPPY:
        snappy = SnappyGain(x);
        break;
    default:
        break;
    }
}

void CSnareDrum::Synthesize(double* out, const double* noise, int32_t count)
{
    double* p = Buffer(PITCH);
    double* a = Buffer(O1);
    double* b = Buffer(O2);
    double* e = Buffer(ENV);
    double* low = Buffer(LOW);
    double* high = Buffer(HIGH);
    pitch.Render(p, count);
    for (int32_t i = 0; i < count; ++i)
        p[i] = (p[i] - 1.0) * 0.12; // the body falls as the pitch envelope ends
    first.RenderMix(a, p, triangle, 0.3, nullptr, count);
    second.RenderMix(b, p, triangle, 0.3, nullptr, count);
    body1.Render(e, count);
    amp1.Render(a, e, count);
    body2.Render(e, count);
    amp2.Render(b, e, count);
    snap.Render(e, count);

    std::copy(noise, noise + count, low);
    std::copy(noise, noise + count, high);
    noiseLowPass.Render(low, count);
    noiseHighPass.Render(high, count);
    if (snappySmooth < 0.0)
        snappySmooth = snappy;
    for (int32_t i = 0; i < count; ++i) {
        GlideToward(snappySmooth, snappy);
        low[i] = (snappySmooth + 0.1) * low[i] + 1.2 * snappySmooth * high[i];
    }
    snare.Render(e, count);
    snareAmp.Render(low, e, count);
    for (int32_t i = 0; i < count; ++i)
        out[i] = 0.4 * std::clamp(a[i] + b[i], -0.8, 0.8) + low[i];
}
