#include "coremachines/CDrumKit.h"
#include "coremachines/DrumVoices.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "platform/OsTime.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct ParameterInfo {
    const char* name;
    double value;
    int32_t receiver; // voice, or −1 for the kit's own mixer
};

constexpr ParameterInfo kParameters[CDrumKit::kParameterCount] = {
    {"BD Tune", 1.0, 0},     {"BD Level", 1.0, -1},  {"BD Balance", 0.5, -1}, {"BD Attack", 0.5, 0},
    {"BD Decay", 1.0, 0},    {"SD Tune", 0.5, 1},    {"SD Level", 1.0, -1},   {"SD Balance", 0.5, -1},
    {"SD Tone", 0.4, 1},     {"SD Snappy", 0.8, 1},  {"LT Tune", 1.0, 2},     {"LT Level", 1.0, -1},
    {"LT Balance", 0.5, -1}, {"LT Decay", 0.5, 2},   {"MT Tune", 1.0, 3},     {"MT Level", 1.0, -1},
    {"MT Balance", 0.5, -1}, {"MT Decay", 0.5, 3},   {"HT Tune", 1.0, 4},     {"HT Level", 1.0, -1},
    {"HT Balance", 0.5, -1}, {"HT Decay", 0.5, 4},   {"RS Level", 1.0, -1},   {"RS Balance", 0.5, -1},
    {"CP Level", 1.0, -1},   {"CP Balance", 0.5, -1}, {"CH Level", 1.0, -1},  {"CH Balance", 0.5, -1},
    {"CH Decay", 0.3, 7},    {"OH Level", 1.0, -1},  {"OH Balance", 0.5, -1}, {"OH Decay", 0.3, 8},
    {"CC Level", 1.0, -1},   {"CC Balance", 0.5, -1}, {"CC Decay", 0.5, 9},   {"RC Level", 1.0, -1},
    {"RC Balance", 0.5, -1}, {"RC Decay", 0.5, 10},
};

// Each voice's level parameter; its balance follows it.
constexpr int32_t kLevels[CDrumKit::kVoices] = {1, 6, 11, 15, 19, 22, 24, 26, 29, 32, 35};

const char* const kVoiceNames[CDrumKit::kVoices] = {
    "Bass Drum", "Snare Drum", "Low Tom",       "Mid Tom",      "High Tom",    "Rim Shot",
    "Clap",      "Closed Hi Hat", "Open Hi Hat", "Crash Cymbal", "Ride Cymbal"};

} // namespace

CDrumKit::CDrumKit(CHost* host, const CWaveTables* tables) : CMachine(host), random(platform::GetTickCount())
{
    parameterCount = kParameterCount;
    AddPort(PORT_CONTROL_IN, "Control In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    const int32_t rate = host->GetSampleRate();
    const int32_t block = std::max(host->GetBlockSize(), 1);
    voices[BASS_DRUM] = std::make_unique<CBassDrum>(tables, rate, block);
    voices[SNARE_DRUM] = std::make_unique<CSnareDrum>(tables, rate, block);
    voices[LOW_TOM] = std::make_unique<CTomDrum>(tables, rate, block, 0, 10, 13);
    voices[MID_TOM] = std::make_unique<CTomDrum>(tables, rate, block, 1, 14, 17);
    voices[HIGH_TOM] = std::make_unique<CTomDrum>(tables, rate, block, 2, 18, 21);
    voices[RIM_SHOT] = std::make_unique<CRimShot>(rate, block);
    voices[CLAP] = std::make_unique<CClap>(rate, block);
    voices[CLOSED_HI_HAT] = std::make_unique<CHiHatClosed>(rate, block);
    voices[OPEN_HI_HAT] = std::make_unique<CHiHatOpen>(rate, block);
    voices[CRASH_CYMBAL] = std::make_unique<CCrashCymbal>(tables, rate, block);
    voices[RIDE_CYMBAL] = std::make_unique<CRideCymbal>(tables, rate, block);
    noise.Resize(block);
    // The defaults reach the voices through the same route as any change.
    for (int32_t i = 0; i < kParameterCount; ++i)
        SetParameter(i, kParameters[i].value);
}

CDrumKit::~CDrumKit() = default;

int32_t CDrumKit::LevelParameter(int32_t voice)
{
    return voice >= 0 && voice < kVoices ? kLevels[voice] : -1;
}

int32_t CDrumKit::BalanceParameter(int32_t voice)
{
    return voice >= 0 && voice < kVoices ? kLevels[voice] + 1 : -1;
}

int32_t CDrumKit::Receiver(int32_t index)
{
    return index >= 0 && index < kParameterCount ? kParameters[index].receiver : -1;
}

double CDrumKit::LevelGain(double level)
{
    return level > 0.0 ? std::pow(10.0, -3.2 * (1.0 - level)) : 0.0; // NaN too gives 0
}

double CDrumKit::GetParameter(int32_t index)
{
    return index >= 0 && index < kParameterCount ? values[index] : 0.0;
}

void CDrumKit::SetParameter(int32_t index, double value)
{
    if (index < 0 || index >= kParameterCount)
        return;
    values[index] = value;
    const int32_t voice = kParameters[index].receiver;
    if (voice >= 0)
        voices[voice]->Queue(MakeEvent(routingTime, EVENT_CONTROL_CHANGE, index, value));
}

void CDrumKit::GetParameterName(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "%s", index >= 0 && index < kParameterCount ? kParameters[index].name : "");
}

void CDrumKit::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    if (index >= 0 && index < kParameterCount)
        std::snprintf(out, kMachineTextSize, "%.0f%%", 100.0 * value);
    else
        out[0] = '\0';
}

void CDrumKit::GetParameterLabel(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "%s", index >= 0 && index < kVoices ? kVoiceNames[index] : "");
}

void CDrumKit::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    for (auto& voice : voices)
        voice->SetSampleRate(hz);
}

void CDrumKit::SetBlockSize(int32_t frames)
{
    if (frames <= 0)
        return;
    noise.Resize(frames);
    for (auto& voice : voices)
        voice->SetBlockSize(frames);
}

void CDrumKit::Route(const MachineEvent& event)
{
    switch (event.kind) {
    case EVENT_CONTROL_CHANGE:
        routingTime = std::max(event.time, 0);
        SetParameterAutomated(event.key, event.value);
        routingTime = 0;
        break;
    case EVENT_NOTE_ON:
        voices[(event.key & 0xff) % kVoices]->Queue(event);
        break;
    case EVENT_NOTE_ON_INT:
        // A trigger names the voice itself.
        if (event.key >= 0 && event.key < kVoices)
            voices[event.key]->Queue(event);
        break;
    default: // a note off: drums always run to their end
        break;
    }
}

void CDrumKit::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    MachineEvent event;
    while (input->PopEvent(&event))
        Route(event);
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    const int32_t count = std::min(out->length, noise.Length());
    double* n = noise.Data();
    for (int32_t i = 0; i < count; ++i)
        n[i] = random.Bipolar();
    for (int32_t v = 0; v < kVoices; ++v) {
        // Held to 0..1 (NaN to 0): no gain above the full level, no
        // negative side.
        const double g = LevelGain(std::min(values[kLevels[v]], 1.0));
        const double b = values[kLevels[v] + 1];
        const double balance = b > 0.0 ? std::min(b, 1.0) : 0.0;
        voices[v]->RenderBlock(count, out->left, out->right, n, (1.0 - balance) * 2.0 * g, balance * 2.0 * g);
    }
}
