#include "coremachines/CDudeRivi.h"
#include "coremachines/CDudeRiviVoice.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "platform/OsTime.h"
#include <algorithm>

using namespace dude;

CDudeRivi::CDudeRivi(CHost* host, const CWaveTables* tables, bool polyphonic)
    : CMachine(host), random(platform::GetTickCount())
{
    parameterCount = PARAMETER_COUNT;
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    const int32_t count = polyphonic ? kPolyphonicVoices : 1;
    work.Resize(std::max(host->GetBlockSize(), 1));
    for (int32_t i = 0; i < count; ++i)
        voices.push_back(std::make_unique<CDudeRiviVoice>(host, tables, &random, &work, host->GetSampleRate(),
                                                          host->GetBlockSize()));
    for (int32_t i = 0; i < PARAMETER_COUNT; ++i)
        SetParameter(i, DefaultValue(i));
}

CDudeRivi::~CDudeRivi() = default;

double CDudeRivi::GetParameter(int32_t index)
{
    return index >= 0 && index < PARAMETER_COUNT ? values[index] : 0.0;
}

void CDudeRivi::SetParameter(int32_t index, double value)
{
    if (index < 0 || index >= PARAMETER_COUNT)
        return;
    values[index] = value;
    const MachineEvent event = MakeEvent(routingTime, EVENT_CONTROL_CHANGE, index, value);
    for (auto& voice : voices)
        voice->Queue(event);
}

void CDudeRivi::GetParameterName(int32_t index, char* out)
{
    ParameterName(index, out, kMachineTextSize);
}

void CDudeRivi::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    ParameterDisplay(index, value, out, kMachineTextSize);
}

void CDudeRivi::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    for (auto& voice : voices)
        voice->SetSampleRate(hz);
}

void CDudeRivi::SetBlockSize(int32_t frames)
{
    if (frames <= 0)
        return;
    work.Resize(frames);
    for (auto& voice : voices)
        voice->SetBlockSize(frames);
}

CDudeRiviVoice* CDudeRivi::VoiceHolding(int32_t key)
{
    for (auto& voice : voices)
        if (voice->Note() == key)
            return voice.get();
    return nullptr;
}

void CDudeRivi::Route(const MachineEvent& event)
{
    switch (event.kind) {
    case EVENT_CONTROL_CHANGE:
        routingTime = std::max(event.time, 0);
        SetParameterAutomated(event.key, event.value);
        routingTime = 0;
        break;
    case EVENT_NOTE_ON:
    case EVENT_NOTE_ON_INT:
        // No search for an idle voice: slots are taken in strict rotation.
        if (CDudeRiviVoice* holder = VoiceHolding(event.NoteKey())) {
            holder->Queue(event);
        } else {
            voices[static_cast<size_t>(nextVoice)]->Queue(event);
            nextVoice = (nextVoice + 1) % VoiceCount();
        }
        break;
    case EVENT_NOTE_OFF:
    case EVENT_NOTE_OFF_INT:
        if (CDudeRiviVoice* holder = VoiceHolding(event.NoteKey()))
            holder->Queue(event);
        break;
    default:
        break;
    }
}

void CDudeRivi::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    MachineEvent event;
    while (input->PopEvent(&event))
        Route(event);
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    for (auto& voice : voices)
        voice->Render(out->left, out->right, out->length);
}
