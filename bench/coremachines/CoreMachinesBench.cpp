// What the core machines cost, loaded from the built library as the studio
// loads it, 256 frames per block at 44.1 kHz.
//
// BM_MachineAtDefaults/<type>: each machine at its defaults (the DudeRivi
// types holding one note; effects fed with noise).
//   ns_per_sample   median block time / frames
//
// BM_DudeRiviVersusAmsynth/Held: the polyphonic DudeRivi and amsynth (hosted
// by our VST adapter, its polyphony set to 16), both holding the same 16
// notes, blocks measured alternately in one run.
// BM_DudeRiviVersusAmsynth/NoteLife: the same, but every iteration is a
// whole note life: 16 notes on, 1.5 s held (attack, decay, sustain), notes
// off, 1 s of release; every block measured, again alternately.
//   dude_ns_per_voice_sample, amsynth_ns_per_voice_sample (Held: medians of
//                            the blocks; NoteLife: means without the slowest
//                            5 % of the blocks)
//   ratio_per_voice          DudeRivi / amsynth (target: at most 1)
//   amsynth_16_over_1        amsynth's block time with 16 notes over 1 note,
//                            to show that it really renders 16 voices
#include "coremachines/CRandom.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "framework/FeatureFlags.h"
#include "framework/MachineLibrary.h"
#include "platform/OsCpu.h"
#include "platform/OsLibrary.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"
#include "studio/CVSTAdapter.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include "support/TempFolder.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 256;
constexpr int32_t kVoices = 16;
constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";

struct ReleaseMachine {
    void operator()(CMachine* machine) const { machine->Release(); }
};
using MachinePtr = std::unique_ptr<CMachine, ReleaseMachine>;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The host with the library's types, made once.
CVelmHost& Host()
{
    static CVelmHost host(kRate, kFrames, platform::DetectFeatureFlags());
    static bool loaded = [] {
        const std::string path = std::string(VELMORA_BIN_DIR) + "/PlugIns/ZT-CoreMachines.so";
        platform::LibraryHandle library = platform::LoadLibrary(path.c_str());
        if (!library)
            return false;
        auto init = reinterpret_cast<VelmPlugInitFunction>(platform::GetSymbol(library, kMachineLibraryExport));
        if (!init)
            return false;
        init(library, &host);
        return true;
    }();
    (void)loaded;
    return host;
}

MachinePtr Create(const char* typeName)
{
    CMachineInfo* info = Host().FindMachineInfoByName(typeName);
    if (!info)
        return nullptr;
    MachinePtr machine(info->CreateMachine());
    machine->SetSampleRate(kRate);
    machine->SetBlockSize(kFrames);
    machine->ResizeBuffers(kFrames);
    return machine;
}

CPort* FindPort(CMachine* machine, int32_t bits)
{
    for (int32_t i = 0; i < machine->portCount; ++i)
        if (machine->ports[i]->Has(bits))
            return machine->ports[i];
    return nullptr;
}

void SendNotes(CPort* control, int32_t count, bool on)
{
    for (int32_t v = 0; v < count; ++v) {
        const int32_t key = 40 + 2 * v;
        double hz = 0.0;
        Host().GetNoteFrequency(key, &hz);
        const MachineEvent event = MakeEvent(0, on ? EVENT_NOTE_ON : EVENT_NOTE_OFF, key, 0.8, hz);
        control->controlBuffer->PushEvent(&event);
    }
}

void HoldNotes(CMachine* machine, CPort* control, int32_t count)
{
    SendNotes(control, count, true);
    machine->Process();
    control->controlBuffer->Clear();
}

// Fills the machine's audio input (when it has one) with noise.
void FeedNoise(CMachine* machine, CRandom& random)
{
    if (CPort* in = FindPort(machine, PORT_AUDIO | PORT_INPUT)) {
        for (int32_t i = 0; i < in->audioBuffer->length; ++i) {
            in->audioBuffer->left[i] = random.Noise() * 0.5;
            if (in->audioBuffer->right)
                in->audioBuffer->right[i] = random.Noise() * 0.5;
        }
    }
}

double TimeBlock(CMachine* machine)
{
    const int64_t start = platform::PerformanceCounterNs();
    machine->Process();
    return static_cast<double>(platform::PerformanceCounterNs() - start);
}

void BM_MachineAtDefaults(benchmark::State& state, const char* typeName)
{
    MachinePtr machine = Create(typeName);
    if (!machine) {
        state.SkipWithError("library not built");
        return;
    }
    if (machine->IsGenerator())
        HoldNotes(machine.get(), FindPort(machine.get(), PORT_CONTROL | PORT_INPUT), 1);
    CRandom random(7);
    FeedNoise(machine.get(), random);
    for (int warm = 0; warm < 200; ++warm)
        machine->Process();
    std::vector<double> times;
    for (auto _ : state)
        times.push_back(TimeBlock(machine.get()));
    state.counters["ns_per_sample"] = Median(times) / kFrames;
}

// amsynth reads its polyphony from its configuration; point it at a fresh
// one that allows 16 voices.
void ConfigureAmsynth(const TempFolder& folder)
{
    folder.MakeFolder("config/amsynth");
    folder.MakeFolder("home/.local/share");
    folder.WriteFile("config/amsynth/config", "polyphony\t16\n");
    folder.WriteFile("home/.amSynthrc", "polyphony\t16\n");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("HOME", (folder / "home").c_str(), 1);
}

void BM_DudeRiviVersusAmsynth(benchmark::State& state, bool noteLife)
{
    platform::SetCurrentThreadPriority(1);
    TempFolder folder;
    ConfigureAmsynth(folder);
    MachinePtr dude = Create("ZT DudeRivi (Polyphonic)");
    VSTScanRecord record;
    CVSTAdapterInfo* amsynthType = CVSTAdapterInfo::Probe(&Host(), kAmsynth, &record);
    if (!dude || !amsynthType) {
        state.SkipWithError(!dude ? "library not built" : "amsynth not installed");
        return;
    }
    Host().RegisterMachineInfo(amsynthType);
    MachinePtr amsynth(amsynthType->CreateMachine());
    MachinePtr amsynthOne(amsynthType->CreateMachine());
    for (CMachine* m : {amsynth.get(), amsynthOne.get()}) {
        m->SetSampleRate(kRate);
        m->SetBlockSize(kFrames);
        m->ResizeBuffers(kFrames);
    }
    CMachine* machines[3] = {dude.get(), amsynth.get(), amsynthOne.get()};
    CPort* controls[3] = {dude->ports[0], static_cast<CVSTAdapter*>(amsynth.get())->GetControlPort(),
                          static_cast<CVSTAdapter*>(amsynthOne.get())->GetControlPort()};
    const int32_t notes[3] = {kVoices, kVoices, 1};
    std::vector<double> times[3];
    int64_t round = 0;
    // One block of each machine, each coming first in turn, so that none
    // always finds the caches as another left them.
    auto blocks = [&](int32_t count) {
        for (int32_t b = 0; b < count; ++b, ++round) {
            for (int k = 0; k < 3; ++k) {
                const int which = static_cast<int>((round + k) % 3);
                CLockGuard guard(*machines[which]);
                times[which].push_back(TimeBlock(machines[which]));
                controls[which]->controlBuffer->Clear();
            }
        }
    };
    auto send = [&](bool on) {
        for (int which = 0; which < 3; ++which)
            SendNotes(controls[which], notes[which], on);
    };

    constexpr int32_t kHeldBlocks = kRate * 3 / 2 / kFrames;
    constexpr int32_t kReleaseBlocks = kRate / kFrames;
    if (!noteLife) {
        send(true);
        blocks(400); // past the attacks into the sustained notes
        for (auto& series : times)
            series.clear();
    }
    for (auto _ : state) {
        if (noteLife) {
            send(true);
            blocks(kHeldBlocks);
            send(false);
            blocks(kReleaseBlocks);
        } else {
            blocks(1);
        }
    }
    // Over a note life the blocks differ by stage, so a mean; without the
    // slowest 5 %, where another process of this shared machine got in.
    auto mean = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        v.resize(v.size() - v.size() / 20);
        double sum = 0;
        for (double x : v)
            sum += x;
        return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
    };
    const double dudeNs = noteLife ? mean(times[0]) : Median(times[0]);
    const double amsynthNs = noteLife ? mean(times[1]) : Median(times[1]);
    const double amsynthOneNs = noteLife ? mean(times[2]) : Median(times[2]);
    state.counters["dude_ns_per_voice_sample"] = dudeNs / kFrames / kVoices;
    state.counters["amsynth_ns_per_voice_sample"] = amsynthNs / kFrames / kVoices;
    state.counters["ratio_per_voice"] = dudeNs / amsynthNs;
    state.counters["amsynth_16_over_1"] = amsynthNs / amsynthOneNs;
}

} // namespace

BENCHMARK_CAPTURE(BM_MachineAtDefaults, DudeRivi, "ZT DudeRivi")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, DudeRiviPolyphonic, "ZT DudeRivi (Polyphonic)")
    ->Iterations(4000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, Vorize, "ZT Vorize")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, Distort, "ZT Distort")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, ZezaRazad, "ZT ZezaRazad")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DudeRiviVersusAmsynth, Held, false)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DudeRiviVersusAmsynth, NoteLife, true)->Iterations(8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
