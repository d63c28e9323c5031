#include "coremachines/CWaveTables.h"
#include "coremachines/DrumVoices.h"
#include <algorithm>

namespace {

enum : int32_t { MIX, SQUARE, STICK_ENV, SHIMMER_ENV, BODY_ENV, HIGH };
enum : int32_t { CC_DECAY = 34, RC_DECAY = 37 };
constexpr double kFrequencies[6] = {1047.0, 1109.0, 1175.0, 1481.0, 1049.0, 1480.0};

} // namespace

CCymbal::CCymbal(const CWaveTables* tables, int32_t rate, int32_t blockSize, double bodyAttack, double bodyDecay,
                 int32_t decayIndex, double decayScale, double decayBase)
    : CDrumKitVoice(rate, blockSize, false),
      o1(rate, tables->Square(), kFrequencies[0], &tables->Step(), &tables->IntegratedStep()),
      o2(rate, tables->Square(), kFrequencies[1], &tables->Step(), &tables->IntegratedStep()),
      o3(rate, tables->Square(), kFrequencies[2], &tables->Step(), &tables->IntegratedStep()),
      o4(rate, tables->Square(), kFrequencies[3], &tables->Step(), &tables->IntegratedStep()),
      o5(rate, tables->Square(), kFrequencies[4], &tables->Step(), &tables->IntegratedStep()),
      o6(rate, tables->Square(), kFrequencies[5], &tables->Step(), &tables->IntegratedStep()),
      squares{&o1, &o2, &o3, &o4, &o5, &o6}, stick(rate, 0.005, 0.075), body(rate, bodyAttack, bodyDecay),
      shimmer(rate, 0.005, 1.4, 0.0, -4.0), bandPass(rate), highPass(rate),
      stickAmp(CAmplifier::MODE_EXPONENTIAL, 1.0), shimmerAmp(CAmplifier::MODE_EXPONENTIAL, 1.0),
      decayIndex(decayIndex), decayScale(decayScale), decayBase(decayBase)
{
    for (CBlepOscillator* o : squares) {
        o->SelectShape(CBlepOscillator::SHAPE_SQUARE);
        AddOscillator(o);
    }
    AddEnvelope(&stick);
    AddEnvelope(&body);
    AddEnvelope(&shimmer);
    AddFilter(&bandPass);
    AddFilter(&highPass);
    SetUpFilter(bandPass, CMultiModeFilter::MODE_BAND_PASS, 1050.0);
    SetUpFilter(highPass, CMultiModeFilter::MODE_HIGH_PASS, 2049.0);
}

void CCymbal::SetParameter(int32_t index, double x)
{
    if (index == decayIndex)
        shimmer.SetDecay(decayScale * x + decayBase);
}

void CCymbal::Synthesize(double* out, const double* noise, int32_t count)
{
    (void)noise;
    double* mix = Buffer(MIX);
    double* square = Buffer(SQUARE);
    double* stickEnv = Buffer(STICK_ENV);
    double* shimmerEnv = Buffer(SHIMMER_ENV);
    double* bodyEnv = Buffer(BODY_ENV);
    double* high = Buffer(HIGH);
    std::fill(mix, mix + count, 0.0);
    for (CBlepOscillator* o : squares) {
        o->Render(square, count, nullptr, nullptr, nullptr, nullptr);
        for (int32_t i = 0; i < count; ++i)
            mix[i] += square[i] * (1.0 / kOscillators);
    }
    std::copy(mix, mix + count, high);
    bandPass.Render(mix, count);
    highPass.Render(high, count);
    stick.Render(stickEnv, count);
    body.Render(bodyEnv, count);
    shimmer.Render(shimmerEnv, count);
    stickAmp.Render(mix, stickEnv, count);
    shimmerAmp.Render(high, shimmerEnv, count);
    // The long body envelope colours the shimmer: fuller early, thinner late.
    for (int32_t i = 0; i < count; ++i)
        out[i] = 0.8 * (mix[i] + high[i] * (0.5 + 0.5 * bodyEnv[i]));
}

CCrashCymbal::CCrashCymbal(const CWaveTables* tables, int32_t rate, int32_t blockSize)
    : CCymbal(tables, rate, blockSize, 0.026, 3.7, CC_DECAY, 1.0, 0.4)
{
}

CRideCymbal::CRideCymbal(const CWaveTables* tables, int32_t rate, int32_t blockSize)
    : CCymbal(tables, rate, blockSize, 0.016, 1.6, RC_DECAY, 0.5, 0.2)
{
}
