#include "coremachines/CWaveTables.h"
#include "coremachines/DrumVoices.h"
#include "coremachines/Units.h"
#include <algorithm>

namespace {

enum : int32_t { TUNE = 0, ATTACK = 3, DECAY = 4 };
enum : int32_t { PITCH, AMP, CLICK, NOISE, CLICK_ENV };
constexpr double kFloorHz = 50.0;

} // namespace

CBassDrum::CBassDrum(const CWaveTables* tables, int32_t rate, int32_t blockSize)
    : CDrumKitVoice(rate, blockSize, true), triangle(tables->Triangle()), body(rate, tables->Sine(), kFloorHz),
      pitch(rate, 0.0, 0.5, 0.0, -6.0), amp(rate, 0.05, 0.5, 0.0, -4.0), click(rate, 0.005, 0.1, 1.0, 1.0),
      clickLowPass(rate), clickBandPass(rate), noiseLowPass(rate), bodyAmp(CAmplifier::MODE_EXPONENTIAL, 1.0),
      clickAmp(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    AddOscillator(&body);
    AddEnvelope(&pitch);
    AddEnvelope(&amp);
    AddEnvelope(&click);
    AddFilter(&clickLowPass);
    AddFilter(&clickBandPass);
    AddFilter(&noiseLowPass);
    SetUpFilter(clickLowPass, CMultiModeFilter::MODE_LOW_PASS, 1200.0);
    SetUpFilter(clickBandPass, CMultiModeFilter::MODE_BAND_PASS, 800.0, 3.0);
    SetUpFilter(noiseLowPass, CMultiModeFilter::MODE_LOW_PASS, 300.0);
}

void CBassDrum::SetParameter(int32_t index, double x)
{
    switch (index) {
    case TUNE:
        tuneHz = 108.0 * x + 142.0;
        amp.SetHold(0.05 * x);
        break;
    case ATTACK:
        amp.SetAttack(0.001 + 0.019 * x);
        break;
    case DECAY:
        amp.SetDecay(0.1 + 0.4 * x);
        pitch.SetDecay(0.1 + 0.4 * x);
        click.SetDecay(0.1 * x);
        break;
    default:
        break;
    }
}

void CBassDrum::Trigger()
{
    CDrumKitVoice::Trigger();
    impulse = true;
}

void CBassDrum::Synthesize(double* out, const double* noise, int32_t count)
{
    double* p = Buffer(PITCH);
    double* a = Buffer(AMP);
    double* c = Buffer(CLICK);
    double* n = Buffer(NOISE);
    double* e = Buffer(CLICK_ENV);
    // Up from 50 Hz to the tune frequency at once, then back down.
    const double floor = FrequencyToOctave(kFloorHz);
    const double span = FrequencyToOctave(tuneHz) - floor;
    pitch.Render(p, count);
    for (int32_t i = 0; i < count; ++i)
        p[i] = p[i] * span + floor;
    // The pitch value (in octaves) is also the weight of the triangle share.
    body.RenderMix(out, p, triangle, 0.15, p, count);
    amp.Render(a, count);
    bodyAmp.Render(out, a, count);
    for (int32_t i = 0; i < count; ++i)
        out[i] = std::clamp(out[i], -0.9, 0.9);

    std::fill(c, c + count, 0.0);
    if (impulse && count > 0) {
        c[0] = 1.0;
        impulse = false;
    }
    clickLowPass.Render(c, count);
    clickBandPass.Render(c, count);
    std::copy(noise, noise + count, n);
    noiseLowPass.Render(n, count);
    for (int32_t i = 0; i < count; ++i)
        c[i] = c[i] * 500.0 + n[i] * 0.4;
    click.Render(e, count);
    clickAmp.Render(c, e, count);
    for (int32_t i = 0; i < count; ++i)
        out[i] += c[i];
}
