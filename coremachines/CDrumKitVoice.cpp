#include "coremachines/CDrumKitVoice.h"
#include "coremachines/Units.h"
#include <algorithm>

CDrumKitVoice::CDrumKitVoice(int32_t sampleRate, int32_t blockSize, bool smoothsGains)
    : sampleRate(sampleRate > 0 ? sampleRate : 1), smoothsGains(smoothsGains)
{
    SetBlockSize(blockSize);
}

void SetUpFilter(CMultiModeFilter& filter, int32_t mode, double hz, double decibels, bool cascade)
{
    filter.SetMode(mode);
    filter.SetCutoff(FrequencyToOctave(hz));
    filter.SetResonance(decibels);
    filter.SetCascade(cascade);
}

CDrumEnvelope* CDrumKitVoice::AddEnvelope(CDrumEnvelope* envelope)
{
    envelopes[envelopeCount++] = envelope;
    return envelope;
}

CMultiModeFilter* CDrumKitVoice::AddFilter(CMultiModeFilter* filter)
{
    filters[filterCount++] = filter;
    return filter;
}

CTableOscillator* CDrumKitVoice::AddOscillator(CTableOscillator* oscillator)
{
    oscillators[oscillatorCount++] = oscillator;
    return oscillator;
}

void CDrumKitVoice::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    sampleRate = hz;
    for (int32_t i = 0; i < envelopeCount; ++i)
        envelopes[i]->SetSampleRate(hz);
    for (int32_t i = 0; i < filterCount; ++i)
        filters[i]->SetSampleRate(hz);
    for (int32_t i = 0; i < oscillatorCount; ++i)
        oscillators[i]->SetSampleRate(hz);
}

void CDrumKitVoice::SetBlockSize(int32_t frames)
{
    for (auto& buffer : buffers)
        buffer.Resize(std::max(frames, 1));
}

void CDrumKitVoice::SetParameter(int32_t, double) {}

void CDrumKitVoice::Trigger()
{
    for (int32_t i = 0; i < envelopeCount; ++i)
        envelopes[i]->Trigger();
    silent = false;
}

bool CDrumKitVoice::MainEnvelopeActive() const
{
    for (int32_t i = 0; i < envelopeCount; ++i)
        if (envelopes[i]->IsActive())
            return true;
    return false;
}

void CDrumKitVoice::ApplyEvent(const MachineEvent& event)
{
    switch (event.kind) {
    case EVENT_NOTE_ON:
    case EVENT_NOTE_ON_INT:
        Trigger();
        break;
    case EVENT_CONTROL_CHANGE:
        // The patches' knobs set pitches and times: held to 0..1 (NaN to
        // 0), so that no oscillator phase or stage length runs wild.
        SetParameter(event.key, event.value > 0.0 ? std::min(event.value, 1.0) : 0.0);
        break;
    default:
        break;
    }
}

void CDrumKitVoice::Render(int32_t start, int32_t count, double* left, double* right, const double* noise,
                           double leftGain, double rightGain)
{
    if (silent || count <= 0)
        return;
    double* signal = buffers[kBuffers].Data();
    // Never more than the scratch buffers hold.
    const int32_t capacity = buffers[kBuffers].Length();
    for (int32_t done = 0; done < count; done += capacity) {
        const int32_t n = std::min(capacity, count - done);
        const int32_t at = start + done;
        Synthesize(signal, noise + at, n);
        double* l = left + at;
        double* r = right + at;
        if (smoothsGains) {
            if (!gainsSet) {
                gains[0] = leftGain;
                gains[1] = rightGain;
                gainsSet = true;
            }
            for (int32_t i = 0; i < n; ++i) {
                GlideToward(gains[0], leftGain);
                GlideToward(gains[1], rightGain);
                l[i] += signal[i] * gains[0];
                r[i] += signal[i] * gains[1];
            }
        } else {
            for (int32_t i = 0; i < n; ++i) {
                l[i] += signal[i] * leftGain;
                r[i] += signal[i] * rightGain;
            }
        }
    }
    if (!MainEnvelopeActive())
        silent = true;
}

void CDrumKitVoice::RenderBlock(int32_t count, double* left, double* right, const double* noise, double leftGain,
                                double rightGain)
{
    int32_t position = 0;
    MachineEvent event;
    while (queue.PopEvent(&event)) {
        const int32_t at = std::clamp(event.time, position, count);
        Render(position, at - position, left, right, noise, leftGain, rightGain);
        position = at;
        ApplyEvent(event);
    }
    Render(position, count - position, left, right, noise, leftGain, rightGain);
}
