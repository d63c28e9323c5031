#pragma once
// The drum voices' envelope: delay (silent), attack (0 → 1), hold (1), decay
// (1 → 0), with bowed attack and decay and a repeat count. A trigger while
// the envelope sounds re-enters the attack where its shape equals the
// current level, so a retriggered drum never jumps.
#include "coremachines/CCurve.h"
#include <cstdint>

class CDrumEnvelope {
public:
    enum Stage : int32_t { STAGE_IDLE = 0, STAGE_DELAY, STAGE_ATTACK, STAGE_HOLD, STAGE_DECAY };

    CDrumEnvelope(int32_t sampleRate, double attack, double decay, double attackCurve = 0.0, double decayCurve = 0.0);

    void SetSampleRate(int32_t hz);
    void SetDelay(double seconds);
    void SetAttack(double seconds);
    void SetHold(double seconds);
    void SetDecay(double seconds);
    void SetAttackCurve(double k);
    void SetDecayCurve(double k);
    // Runs after the first: 3 gives four attack-decay cycles per trigger.
    void SetRepeats(int32_t count) { repeats = count > 0 ? count : 0; }

    void Trigger();
    void Render(double* out, int32_t count);
    bool IsActive() const { return stage != STAGE_IDLE; }
    int32_t GetStage() const { return stage; }
    double Level() const { return level; }
    double DecaySeconds() const { return decay.seconds; }

private:
    struct Timed {
        double seconds;
        double increment; // per sample, 1 when the time is ≤ 0
        int32_t samples;  // for delay and hold
    };

    void Update(Timed& t);
    void Enter(int32_t newStage, double q);
    // The stage after the attack: hold when it has a length, else decay.
    void AfterAttack();

    int32_t sampleRate;
    Timed delay{0.0, 1.0, 0};
    Timed attack{0.0, 1.0, 0};
    Timed hold{0.0, 1.0, 0};
    Timed decay{0.0, 1.0, 0};
    CCurve attackCurve;
    CCurve decayCurve;
    int32_t repeats = 0;
    int32_t repeatsLeft = 0;
    int32_t stage = STAGE_IDLE;
    int32_t waited = 0; // samples spent in delay or hold
    double level = 0.0;
    CCurveSegment segment;
};
