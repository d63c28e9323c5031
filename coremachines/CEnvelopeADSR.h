#pragma once
// Attack-decay-sustain-release envelope with bowed stages. Note on and note
// off continue from the level reached, and a curve change keeps the level.
#include "coremachines/CCurve.h"
#include <cstdint>

class CEnvelopeADSR {
public:
    enum Stage : int32_t { STAGE_IDLE = 0, STAGE_ATTACK, STAGE_DECAY, STAGE_SUSTAIN, STAGE_RELEASE };

    explicit CEnvelopeADSR(int32_t sampleRate);

    void SetSampleRate(int32_t hz);
    void SetAttack(double seconds);
    void SetDecay(double seconds);
    void SetSustain(double level);
    void SetRelease(double seconds);
    // Curve constants k (0 is straight).
    void SetAttackCurve(double k);
    void SetDecayCurve(double k);
    void SetReleaseCurve(double k);

    void NoteOn();
    void NoteOff();
    void Render(double* out, int32_t count);

    bool IsActive() const { return stage != STAGE_IDLE; }
    int32_t GetStage() const { return stage; }

private:
    struct StageSetting {
        double seconds;
        double increment;
        CCurve curve;
    };

    void UpdateIncrement(StageSetting& setting);
    void SetTime(int32_t ofStage, StageSetting& setting, double seconds);
    void SetCurve(int32_t ofStage, StageSetting& setting, double k);
    void Enter(int32_t newStage, double q);
    StageSetting* SettingOf(int32_t ofStage);

    int32_t sampleRate;
    StageSetting attack;
    StageSetting decay;
    StageSetting release;
    double sustain = 0.1;
    int32_t stage = STAGE_IDLE;
    double level = 0.0;
    CCurveSegment segment;
};
