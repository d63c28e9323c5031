// The noise voices: rim shot, clap and both hi-hats.
#include "coremachines/DrumVoices.h"
#include <algorithm>

namespace {

enum : int32_t { SIGNAL, ENV, SWEEP };
enum : int32_t { CH_DECAY = 28, OH_DECAY = 31 };

} // namespace

CNoiseBurst::CNoiseBurst(int32_t rate, int32_t blockSize, double noiseGain, double sweepOctaves)
    : CDrumKitVoice(rate, blockSize, false), noiseGain(noiseGain), sweep(sweepOctaves), first(rate, 0.0, 0.0),
      second(rate, 0.0, 0.0), filter(rate), bandPass(rate), ampStage(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    AddEnvelope(&first);
    AddEnvelope(&second);
    AddFilter(&filter);
    AddFilter(&bandPass);
}

void CNoiseBurst::Synthesize(double* out, const double* noise, int32_t count)
{
    double* e = Buffer(ENV);
    double* s = Buffer(SWEEP);
    for (int32_t i = 0; i < count; ++i)
        out[i] = noise[i] * noiseGain;
    filter.Render(out, count);
    second.Render(s, count);
    for (int32_t i = 0; i < count; ++i)
        s[i] *= sweep;
    bandPass.Render(out, count, s);
    first.Render(e, count);
    ampStage.Render(out, e, count);
}

CRimShot::CRimShot(int32_t rate, int32_t blockSize) : CNoiseBurst(rate, blockSize, 4.0, 2.0)
{
    first.SetAttack(0.005);
    first.SetDecay(0.054);
    second.SetAttack(0.0);
    second.SetDecay(0.06);
    SetUpFilter(filter, CMultiModeFilter::MODE_LOW_PASS, 4000.0, 3.0, true);
    SetUpFilter(bandPass, CMultiModeFilter::MODE_BAND_PASS, 220.0);
}

CClap::CClap(int32_t rate, int32_t blockSize) : CNoiseBurst(rate, blockSize, 16.0, 5.0)
{
    first.SetAttack(0.02);
    first.SetDecay(0.14);
    first.SetDecayCurve(2.0);
    // The short sweep runs four times: the hands' four bursts under the
    // longer amplitude envelope.
    second.SetAttack(0.01);
    second.SetDecay(0.03);
    second.SetDecayCurve(2.0);
    second.SetRepeats(3);
    SetUpFilter(filter, CMultiModeFilter::MODE_LOW_PASS, 1000.0);
    SetUpFilter(bandPass, CMultiModeFilter::MODE_BAND_PASS, 1760.0);
}

CHiHat::CHiHat(int32_t rate, int32_t blockSize, bool open, int32_t decayIndex)
    : CDrumKitVoice(rate, blockSize, false), open(open), decayIndex(decayIndex), envelope(rate, 0.0001, 0.13),
      bandPass(rate), highPass(rate), ampStage(CAmplifier::MODE_EXPONENTIAL, 1.0)
{
    AddEnvelope(&envelope);
    AddFilter(&bandPass);
    AddFilter(&highPass);
    SetUpFilter(bandPass, CMultiModeFilter::MODE_BAND_PASS, 8000.0, open ? 0.0 : 3.0);
    SetUpFilter(highPass, CMultiModeFilter::MODE_HIGH_PASS, 4000.0);
}

void CHiHat::SetParameter(int32_t index, double x)
{
    if (index == decayIndex)
        envelope.SetDecay(open ? 0.5 * x + 0.25 : x + 0.045);
}

void CHiHat::Synthesize(double* out, const double* noise, int32_t count)
{
    double* e = Buffer(ENV);
    std::copy(noise, noise + count, out);
    bandPass.Render(out, count);
    if (open)
        highPass.Render(out, count);
    envelope.Render(e, count);
    ampStage.Render(out, e, count);
}

CHiHatClosed::CHiHatClosed(int32_t rate, int32_t blockSize) : CHiHat(rate, blockSize, false, CH_DECAY) {}

CHiHatOpen::CHiHatOpen(int32_t rate, int32_t blockSize) : CHiHat(rate, blockSize, true, OH_DECAY) {}
