#include "coremachines/CEnvelopeADSR.h"

CEnvelopeADSR::CEnvelopeADSR(int32_t sampleRate)
    : sampleRate(sampleRate > 0 ? sampleRate : 1), attack{0.1, 0.0, CCurve()}, decay{0.1, 0.0, CCurve()},
      release{0.1, 0.0, CCurve()}
{
    UpdateIncrement(attack);
    UpdateIncrement(decay);
    UpdateIncrement(release);
}

void CEnvelopeADSR::UpdateIncrement(StageSetting& setting)
{
    const double samples = setting.seconds * sampleRate;
    // A stage shorter than a sample takes one sample.
    setting.increment = samples > 1.0 ? 1.0 / samples : 1.0;
}

CEnvelopeADSR::StageSetting* CEnvelopeADSR::SettingOf(int32_t ofStage)
{
    switch (ofStage) {
    case STAGE_ATTACK:
        return &attack;
    case STAGE_DECAY:
        return &decay;
    case STAGE_RELEASE:
        return &release;
    default:
        return nullptr;
    }
}

void CEnvelopeADSR::Enter(int32_t newStage, double q)
{
    stage = newStage;
    if (StageSetting* setting = SettingOf(stage))
        segment.Start(setting->curve, q, setting->increment);
}

void CEnvelopeADSR::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    sampleRate = hz;
    UpdateIncrement(attack);
    UpdateIncrement(decay);
    UpdateIncrement(release);
    if (StageSetting* setting = SettingOf(stage))
        segment.Retune(setting->curve, setting->increment);
}

void CEnvelopeADSR::SetTime(int32_t ofStage, StageSetting& setting, double seconds)
{
    setting.seconds = seconds;
    UpdateIncrement(setting);
    if (stage == ofStage)
        segment.Retune(setting.curve, setting.increment);
}

void CEnvelopeADSR::SetCurve(int32_t ofStage, StageSetting& setting, double k)
{
    if (stage == ofStage) {
        // Same shape value on the new curve: no jump in the output.
        const double shape = setting.curve.Shape(segment.Phase());
        setting.curve.SetConstant(k);
        segment.Start(setting.curve, setting.curve.Inverse(shape), setting.increment);
    } else {
        setting.curve.SetConstant(k);
    }
}

void CEnvelopeADSR::SetAttack(double seconds)
{
    SetTime(STAGE_ATTACK, attack, seconds);
}

void CEnvelopeADSR::SetDecay(double seconds)
{
    SetTime(STAGE_DECAY, decay, seconds);
}

void CEnvelopeADSR::SetRelease(double seconds)
{
    SetTime(STAGE_RELEASE, release, seconds);
}

void CEnvelopeADSR::SetSustain(double value)
{
    sustain = value;
}

void CEnvelopeADSR::SetAttackCurve(double k)
{
    SetCurve(STAGE_ATTACK, attack, k);
}

void CEnvelopeADSR::SetDecayCurve(double k)
{
    SetCurve(STAGE_DECAY, decay, k);
}

void CEnvelopeADSR::SetReleaseCurve(double k)
{
    SetCurve(STAGE_RELEASE, release, k);
}

void CEnvelopeADSR::NoteOn()
{
    if (stage == STAGE_ATTACK)
        return;
    const double from = stage == STAGE_IDLE ? 0.0 : level;
    Enter(STAGE_ATTACK, attack.curve.Inverse(from));
}

void CEnvelopeADSR::NoteOff()
{
    if (stage == STAGE_IDLE || stage == STAGE_RELEASE)
        return;
    // Output 1 − shape(q) = level.
    Enter(STAGE_RELEASE, release.curve.Inverse(1.0 - level));
}

void CEnvelopeADSR::Render(double* out, int32_t count)
{
    // Each stage's samples in a loop of their own; a curved stage always
    // steps before it checks whether it has ended. The segment and level
    // run in locals (the output stores could alias the members) and are
    // handed back whenever a stage is entered.
    CCurveSegment s = segment;
    double y = level;
    const auto enter = [&](int32_t next) {
        segment = s;
        level = y;
        Enter(next, 0.0);
        s = segment;
    };
    int32_t i = 0;
    while (i < count) {
        switch (stage) {
        case STAGE_ATTACK:
            while (i < count) {
                out[i++] = y = s.Step();
                if (s.Finished()) {
                    enter(STAGE_DECAY);
                    break;
                }
            }
            break;
        case STAGE_DECAY:
            while (i < count) {
                out[i++] = y = (sustain - 1.0) * s.Step() + 1.0;
                if (s.Finished()) {
                    enter(STAGE_SUSTAIN);
                    break;
                }
            }
            break;
        case STAGE_SUSTAIN:
            y = sustain;
            for (; i < count; ++i)
                out[i] = y;
            break;
        case STAGE_RELEASE:
            while (i < count) {
                out[i++] = y = 1.0 - s.Step();
                if (s.Finished()) {
                    enter(STAGE_IDLE);
                    break;
                }
            }
            break;
        default:
            y = 0.0;
            for (; i < count; ++i)
                out[i] = 0.0;
            break;
        }
    }
    segment = s;
    level = y;
}
