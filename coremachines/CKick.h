#pragma once
// Monophonic kick drum: a sine whose pitch envelope sweeps from the played
// note's frequency down (the product envelope · note octave, so the sweep
// always ends at 440/32 Hz), a two-section low pass and an amplitude
// envelope. Parameter changes take effect at their sample offsets.
#include "coremachines/CAmplifier.h"
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CDrumEnvelope.h"
#include "coremachines/CMultiModeFilter.h"
#include "coremachines/CScratchBuffer.h"
#include "coremachines/CTableOscillator.h"
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"

class CKick : public CMachine {
public:
    static constexpr int32_t kParameterCount = 7;
    enum Parameter : int32_t { VCO_ATTACK = 0, VCO_DECAY, VCO_CURVE, AMP_ATTACK, AMP_DECAY, AMP_CURVE, VCF_CUTOFF };

    CKick(CHost* host, const CWaveTables* tables);

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return true; }

    const CDrumEnvelope& PitchEnvelope() const { return pitchEnvelope; }
    const CDrumEnvelope& AmpEnvelope() const { return ampEnvelope; }
    double CutoffHz() const { return filter.ClampedFrequency(cutoffOctave); }

private:
    void Apply(const MachineEvent& event);
    void RenderSpan(double* out, int32_t count);

    double values[kParameterCount];
    CControlBuffer queue;
    CTableOscillator oscillator;
    CMultiModeFilter filter;
    CAmplifier amplifier;
    CDrumEnvelope pitchEnvelope;
    CDrumEnvelope ampEnvelope;
    double noteOctave = 0.0;
    double cutoffOctave = 6.0;
    CScratchBuffer pitch;
    CScratchBuffer amp;
    int32_t routingTime = 0; // offset of the parameter events queued while routing
};

class CKickInfo : public CCoreMachineInfo<CKick> {
public:
    CKickInfo(CHost* host, const CWaveTables* tables) : CCoreMachineInfo(host, tables, "ZT Virir", "VelmPlug::ZT Virir")
    {
    }
};
