#include "coremachines/CDrumEnvelope.h"
#include <algorithm>
#include <cmath>

CDrumEnvelope::CDrumEnvelope(int32_t sampleRate, double attackSeconds, double decaySeconds, double attackK,
                             double decayK)
    : sampleRate(sampleRate > 0 ? sampleRate : 1), attackCurve(attackK), decayCurve(decayK)
{
    attack.seconds = attackSeconds;
    decay.seconds = decaySeconds;
    Update(delay);
    Update(attack);
    Update(hold);
    Update(decay);
}

void CDrumEnvelope::Update(Timed& t)
{
    // Times from knobs far outside 0..1 stay countable: at most about
    // six hours, NaN and negatives as one sample.
    constexpr double kLongest = 1e9;
    const double samples = std::min(t.seconds * sampleRate, kLongest);
    t.increment = samples > 1.0 ? 1.0 / samples : 1.0;
    t.samples = samples > 0.0 ? static_cast<int32_t>(std::lround(samples)) : 0;
}

void CDrumEnvelope::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    sampleRate = hz;
    Update(delay);
    Update(attack);
    Update(hold);
    Update(decay);
    if (stage == STAGE_ATTACK)
        segment.Retune(attackCurve, attack.increment);
    else if (stage == STAGE_DECAY)
        segment.Retune(decayCurve, decay.increment);
}

void CDrumEnvelope::SetDelay(double seconds)
{
    delay.seconds = seconds;
    Update(delay);
}

void CDrumEnvelope::SetHold(double seconds)
{
    hold.seconds = seconds;
    Update(hold);
}

void CDrumEnvelope::SetAttack(double seconds)
{
    attack.seconds = seconds;
    Update(attack);
    if (stage == STAGE_ATTACK)
        segment.Retune(attackCurve, attack.increment);
}

void CDrumEnvelope::SetDecay(double seconds)
{
    decay.seconds = seconds;
    Update(decay);
    if (stage == STAGE_DECAY)
        segment.Retune(decayCurve, decay.increment);
}

void CDrumEnvelope::SetAttackCurve(double k)
{
    if (stage == STAGE_ATTACK) {
        const double shape = attackCurve.Shape(segment.Phase());
        attackCurve.SetConstant(k);
        segment.Start(attackCurve, attackCurve.Inverse(shape), attack.increment);
    } else {
        attackCurve.SetConstant(k);
    }
}

void CDrumEnvelope::SetDecayCurve(double k)
{
    if (stage == STAGE_DECAY) {
        const double shape = decayCurve.Shape(segment.Phase());
        decayCurve.SetConstant(k);
        segment.Start(decayCurve, decayCurve.Inverse(shape), decay.increment);
    } else {
        decayCurve.SetConstant(k);
    }
}

void CDrumEnvelope::Enter(int32_t newStage, double q)
{
    stage = newStage;
    waited = 0;
    if (stage == STAGE_ATTACK)
        segment.Start(attackCurve, q, attack.increment);
    else if (stage == STAGE_DECAY)
        segment.Start(decayCurve, q, decay.increment);
}

void CDrumEnvelope::AfterAttack()
{
    Enter(hold.samples > 0 ? STAGE_HOLD : STAGE_DECAY, 0.0);
}

void CDrumEnvelope::Trigger()
{
    repeatsLeft = repeats;
    // From silence the delay runs first; a sounding envelope goes straight
    // back up from where it is (a delay would drop it to 0: a click).
    if (stage == STAGE_IDLE || stage == STAGE_DELAY || level <= 0.0)
        Enter(delay.samples > 0 ? STAGE_DELAY : STAGE_ATTACK, 0.0);
    else if (stage == STAGE_HOLD)
        Enter(STAGE_HOLD, 0.0);
    else
        Enter(STAGE_ATTACK, attackCurve.Inverse(level));
}

void CDrumEnvelope::Render(double* out, int32_t count)
{
    // The segment and level run in locals (the output stores could alias
    // the members) and are handed back whenever a stage changes.
    CCurveSegment s = segment;
    double y = level;
    const auto handBack = [&] {
        segment = s;
        level = y;
    };
    const auto takeOver = [&] { s = segment; };
    int32_t i = 0;
    while (i < count) {
        switch (stage) {
        case STAGE_DELAY:
            y = 0.0;
            for (; i < count && waited < delay.samples; ++i, ++waited)
                out[i] = 0.0;
            if (waited >= delay.samples) {
                handBack();
                Enter(STAGE_ATTACK, 0.0);
                takeOver();
            }
            break;
        case STAGE_ATTACK:
            while (i < count) {
                out[i++] = y = s.Step();
                if (s.Finished()) {
                    handBack();
                    AfterAttack();
                    takeOver();
                    break;
                }
            }
            break;
        case STAGE_HOLD:
            y = 1.0;
            for (; i < count && waited < hold.samples; ++i, ++waited)
                out[i] = 1.0;
            if (waited >= hold.samples) {
                handBack();
                Enter(STAGE_DECAY, 0.0);
                takeOver();
            }
            break;
        case STAGE_DECAY:
            while (i < count) {
                out[i++] = y = 1.0 - s.Step();
                if (s.Finished()) {
                    handBack();
                    if (repeatsLeft > 0) {
                        --repeatsLeft;
                        Enter(STAGE_ATTACK, 0.0);
                    } else {
                        Enter(STAGE_IDLE, 0.0);
                    }
                    takeOver();
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
    handBack();
}
