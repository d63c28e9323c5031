#include "coremachines/CKick.h"
#include "coremachines/CWaveTables.h"
#include "coremachines/Units.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cstdio>

namespace {

constexpr double kDefaults[CKick::kParameterCount] = {0.02, 0.5, 0.28, 0.05, 0.5, 1.0, 0.37};
const char* const kNames[CKick::kParameterCount] = {"VCO Attack", "VCO Decay", "VCO Curve", "Amp Attack",
                                                    "Amp Decay",  "Amp Curve", "VCF Cutoff"};

} // namespace

CKick::CKick(CHost* host, const CWaveTables* tables)
    : CMachine(host), oscillator(host->GetSampleRate(), tables->Sine(), 1.0), filter(host->GetSampleRate()),
      amplifier(CAmplifier::MODE_EXPONENTIAL, 1.0), pitchEnvelope(host->GetSampleRate(), 0.01, 1.0),
      ampEnvelope(host->GetSampleRate(), 0.01, 1.0)
{
    parameterCount = kParameterCount;
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_MONO_AUDIO_OUT, "Line Out");
    filter.SetMode(CMultiModeFilter::MODE_LOW_PASS);
    filter.SetCascade(true);
    filter.SetCutoff(cutoffOctave);
    filter.SetResonance(0.0);
    SetBlockSize(host->GetBlockSize());
    for (int32_t i = 0; i < kParameterCount; ++i)
        SetParameter(i, kDefaults[i]);
}

double CKick::GetParameter(int32_t index)
{
    return index >= 0 && index < kParameterCount ? values[index] : 0.0;
}

void CKick::SetParameter(int32_t index, double value)
{
    if (index < 0 || index >= kParameterCount)
        return;
    values[index] = value;
    const MachineEvent event = MakeEvent(routingTime, EVENT_CONTROL_CHANGE, index, value);
    queue.PushEvent(&event);
}

void CKick::GetParameterName(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "%s", index >= 0 && index < kParameterCount ? kNames[index] : "");
}

void CKick::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    if (index >= 0 && index < kParameterCount)
        std::snprintf(out, kMachineTextSize, "%.0f%%", 100.0 * value);
    else
        out[0] = '\0';
}

void CKick::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    oscillator.SetSampleRate(hz);
    filter.SetSampleRate(hz);
    pitchEnvelope.SetSampleRate(hz);
    ampEnvelope.SetSampleRate(hz);
}

void CKick::SetBlockSize(int32_t frames)
{
    pitch.Resize(std::max(frames, 1));
    amp.Resize(std::max(frames, 1));
}

void CKick::Apply(const MachineEvent& event)
{
    switch (event.kind) {
    case EVENT_NOTE_ON:
    case EVENT_NOTE_ON_INT: {
        double hz = event.frequency;
        if (event.kind == EVENT_NOTE_ON_INT || !(hz > 0.0))
            host->GetNoteFrequency(event.NoteKey(), &hz);
        noteOctave = hz > 0.0 ? FrequencyToOctave(hz) : 0.0;
        pitchEnvelope.Trigger();
        ampEnvelope.Trigger();
        break;
    }
    case EVENT_CONTROL_CHANGE: {
        // Held to 0..1 (NaN to 0): times, curves and the cutoff stay sane.
        const double x = event.value > 0.0 ? std::min(event.value, 1.0) : 0.0;
        switch (event.key) {
        case VCO_ATTACK:
            pitchEnvelope.SetAttack(0.2 * x);
            break;
        case VCO_DECAY:
            pitchEnvelope.SetDecay(x);
            break;
        case VCO_CURVE:
            pitchEnvelope.SetDecayCurve(CurveConstant(x));
            break;
        case AMP_ATTACK:
            ampEnvelope.SetAttack(0.2 * x);
            break;
        case AMP_DECAY:
            ampEnvelope.SetDecay(x);
            break;
        case AMP_CURVE:
            ampEnvelope.SetDecayCurve(CurveConstant(x));
            break;
        case VCF_CUTOFF:
            cutoffOctave = 12.0 * x;
            filter.SetCutoff(cutoffOctave);
            break;
        default:
            break;
        }
        break;
    }
    default: // a note off never shortens the kick
        break;
    }
}

void CKick::RenderSpan(double* out, int32_t count)
{
    const int32_t capacity = pitch.Length();
    for (int32_t done = 0; done < count; done += capacity) {
        const int32_t n = std::min(capacity, count - done);
        double* p = pitch.Data();
        double* a = amp.Data();
        double* o = out + done;
        pitchEnvelope.Render(p, n);
        ampEnvelope.Render(a, n);
        for (int32_t i = 0; i < n; ++i)
            p[i] *= noteOctave;
        oscillator.RenderPitched(o, p, n);
        filter.Render(o, n);
        amplifier.Render(o, a, n);
    }
}

void CKick::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    MachineEvent event;
    while (input->PopEvent(&event)) {
        if (event.kind == EVENT_CONTROL_CHANGE) {
            routingTime = std::max(event.time, 0);
            SetParameterAutomated(event.key, event.value);
            routingTime = 0;
        } else {
            queue.PushEvent(&event);
        }
    }
    CAudioBuffer* out = ports[1]->audioBuffer;
    const int32_t count = out->length;
    int32_t position = 0;
    while (queue.PopEvent(&event)) {
        const int32_t at = std::clamp(event.time, position, count);
        RenderSpan(out->left + position, at - position);
        position = at;
        Apply(event);
    }
    RenderSpan(out->left + position, count - position);
}
