#pragma once
// Subtractive synthesizer with one voice or sixteen. Notes go to voices in
// strict rotation (a note already held goes back to its voice); parameter
// changes reach every voice at their sample offset.
#include "coremachines/CDudeRiviVoice.h"
#include "coremachines/CRandom.h"
#include "coremachines/DudeRiviParameters.h"
#include "framework/CMachine.h"
#include <memory>
#include <vector>

class CWaveTables;
struct MachineEvent;

class CDudeRivi : public CMachine {
public:
    static constexpr int32_t kPolyphonicVoices = 16;

    CDudeRivi(CHost* host, const CWaveTables* tables, bool polyphonic);
    ~CDudeRivi() override;

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return true; }

    int32_t VoiceCount() const { return static_cast<int32_t>(voices.size()); }
    const CDudeRiviVoice& Voice(int32_t index) const { return *voices[static_cast<size_t>(index)]; }

private:
    void Route(const MachineEvent& event);
    // The first voice whose current note is `key`, or null.
    CDudeRiviVoice* VoiceHolding(int32_t key);

    double values[dude::PARAMETER_COUNT] = {};
    CDudeRiviVoice::WorkBuffers work;
    std::vector<std::unique_ptr<CDudeRiviVoice>> voices;
    int32_t nextVoice = 0;
    // Offset given to the parameter events queued while an input event is
    // being routed (0 outside the work call).
    int32_t routingTime = 0;
    CRandom random;
};
