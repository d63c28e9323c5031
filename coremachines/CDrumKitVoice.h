#pragma once
// The base of the drum machine's voices: an event queue applied at sample
// offsets, block-long scratch buffers, the envelopes, filters and
// oscillators a voice owns (so triggers and rate changes reach all of
// them), the silent flag and, for the voices that smooth them, the gains.
#include "coremachines/CDrumEnvelope.h"
#include "coremachines/CMultiModeFilter.h"
#include "coremachines/CScratchBuffer.h"
#include "coremachines/CTableOscillator.h"
#include "framework/CControlBuffer.h"
#include <cstdint>

class CDrumKitVoice {
public:
    static constexpr int32_t kMaxParts = 8;
    static constexpr int32_t kBuffers = 6;

    CDrumKitVoice(int32_t sampleRate, int32_t blockSize, bool smoothsGains);
    virtual ~CDrumKitVoice() = default;
    CDrumKitVoice(const CDrumKitVoice&) = delete;
    CDrumKitVoice& operator=(const CDrumKitVoice&) = delete;

    // A note on triggers the voice; a parameter event (the kit's index)
    // sets one of its own parameters.
    virtual void ApplyEvent(const MachineEvent& event);
    // Adds the voice's samples [start, start + count) of the block to the
    // outputs (block-based pointers), scaled by the gains.
    virtual void Render(int32_t start, int32_t count, double* left, double* right, const double* noise,
                        double leftGain, double rightGain);
    virtual void SetSampleRate(int32_t hz);
    void SetBlockSize(int32_t frames);

    void Queue(const MachineEvent& event) { queue.PushEvent(&event); }
    // Applies the queued events at their offsets and renders the block.
    void RenderBlock(int32_t count, double* left, double* right, const double* noise, double leftGain,
                     double rightGain);
    bool IsSilent() const { return silent; }

protected:
    // Fills `out` with the voice's signal for `count` samples (noise is
    // already at the segment's start).
    virtual void Synthesize(double* out, const double* noise, int32_t count) = 0;
    virtual void SetParameter(int32_t index, double value);
    virtual void Trigger();
    // The envelopes whose end is the end of the sound (all by default).
    virtual bool MainEnvelopeActive() const;

    CDrumEnvelope* AddEnvelope(CDrumEnvelope* envelope);
    CMultiModeFilter* AddFilter(CMultiModeFilter* filter);
    CTableOscillator* AddOscillator(CTableOscillator* oscillator);
    double* Buffer(int32_t index) { return buffers[index].Data(); }

    int32_t sampleRate;
    CDrumEnvelope* envelopes[kMaxParts] = {};
    int32_t envelopeCount = 0;

private:
    CControlBuffer queue;
    CMultiModeFilter* filters[kMaxParts] = {};
    int32_t filterCount = 0;
    CTableOscillator* oscillators[kMaxParts] = {};
    int32_t oscillatorCount = 0;
    CScratchBuffer buffers[kBuffers + 1]; // the last one holds the voice's signal
    bool silent = true;
    bool smoothsGains;
    bool gainsSet = false;
    double gains[2] = {};
};

// A filter of the fixed voice patches: mode, frequency in Hz, resonance in
// dB, sections.
void SetUpFilter(CMultiModeFilter& filter, int32_t mode, double hz, double decibels = 0.0, bool cascade = false);
