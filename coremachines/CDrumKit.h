#pragma once
// Eleven-voice drum synthesizer. Note n triggers voice n mod 11, a trigger
// event (int note kind) voice n itself; every voice has a level and a
// balance that the kit applies, and receives its own parameters at their
// sample offsets. All voices read one block of shared noise.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"
#include "coremachines/CDrumKitVoice.h"
#include "coremachines/CRandom.h"
#include "coremachines/CScratchBuffer.h"
#include "framework/CMachine.h"
#include <memory>

class CDrumKit : public CMachine {
public:
    static constexpr int32_t kVoices = 11;
    static constexpr int32_t kParameterCount = 38;
    enum Voice : int32_t {
        BASS_DRUM = 0,
        SNARE_DRUM,
        LOW_TOM,
        MID_TOM,
        HIGH_TOM,
        RIM_SHOT,
        CLAP,
        CLOSED_HI_HAT,
        OPEN_HI_HAT,
        CRASH_CYMBAL,
        RIDE_CYMBAL,
    };

    CDrumKit(CHost* host, const CWaveTables* tables);
    ~CDrumKit() override;

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void GetParameterLabel(int32_t index, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return true; }

    // The parameter numbers of a voice's level and balance.
    static int32_t LevelParameter(int32_t voice);
    static int32_t BalanceParameter(int32_t voice);
    // The voice that receives a parameter, −1 when the kit uses it itself.
    static int32_t Receiver(int32_t index);
    // G = 10^(−3.2·(1 − level)), 0 for a level ≤ 0.
    static double LevelGain(double level);

    const CDrumKitVoice& GetVoice(int32_t index) const { return *voices[index]; }
    // Reproducible noise (renders compared sample by sample).
    void SeedNoise(uint32_t seed) { random.Seed(seed); }

private:
    void Route(const MachineEvent& event);

    double values[kParameterCount];
    std::unique_ptr<CDrumKitVoice> voices[kVoices];
    CScratchBuffer noise;
    CRandom random;
    int32_t routingTime = 0; // offset of the parameter events queued while routing
};

class CDrumKitInfo : public CCoreMachineInfo<CEditableMachine<CDrumKit, CoreEditorKind::DrumKit>> {
public:
    CDrumKitInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DUzoV8", "VelmPlug::ZT DUzoV8")
    {
    }
};
