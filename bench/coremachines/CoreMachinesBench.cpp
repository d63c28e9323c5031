// What the core machines cost, loaded from the built library as the studio
// loads it, 256 frames per block at 44.1 kHz.
//
// BM_MachineAtDefaults/<type>: each machine at its defaults (the DudeRivi
// types and the kick holding one note; effects fed with noise on every
// input, the mixer's tracks and returns included; a block is Process and
// ProcessLate).
// BM_DrumKitPlaying: the drum machine with all eleven voices struck every
// 64 blocks (0.37 s), so that they overlap as in a busy groove.
// BM_DizodirEzavRoom/<metres>: the room reverb at 10 m and at 30 m.
//   ns_per_sample       median block time / frames (wall clock)
//   cpu_ns_per_sample   the process's processor time over all blocks /
//                       frames: on a loaded machine the wall clock also
//                       counts the time other processes had the core
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
#include <ctime>
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

// Fills the machine's audio inputs (when it has any) with noise.
void FeedNoise(CMachine* machine, CRandom& random)
{
    for (int32_t p = 0; p < machine->portCount; ++p) {
        CPort* in = machine->ports[p];
        if (!in->Has(PORT_AUDIO | PORT_INPUT))
            continue;
        for (int32_t i = 0; i < in->audioBuffer->length; ++i) {
            in->audioBuffer->left[i] = random.Noise() * 0.5;
            if (in->audioBuffer->right)
                in->audioBuffer->right[i] = random.Noise() * 0.5;
        }
    }
}

void ReportTimes(benchmark::State& state, const std::vector<double>& times, std::clock_t cpuStart)
{
    const double cpuNs = static_cast<double>(std::clock() - cpuStart) * 1e9 / CLOCKS_PER_SEC;
    state.counters["ns_per_sample"] = Median(times) / kFrames;
    state.counters["cpu_ns_per_sample"] = cpuNs / (static_cast<double>(times.size()) * kFrames);
}

// One block as the render cycle runs it: the late inputs come last.
double TimeBlock(CMachine* machine)
{
    const int64_t start = platform::PerformanceCounterNs();
    machine->Process();
    machine->ProcessLate();
    return static_cast<double>(platform::PerformanceCounterNs() - start);
}

void BM_DrumKitPlaying(benchmark::State& state)
{
    MachinePtr kit = Create("ZT DUzoV8");
    if (!kit) {
        state.SkipWithError("library not built");
        return;
    }
    CPort* control = FindPort(kit.get(), PORT_CONTROL | PORT_INPUT);
    std::vector<double> times;
    int64_t block = 0;
    auto strike = [&] {
        if (block++ % 64 == 0) {
            for (int32_t v = 0; v < 11; ++v) {
                const MachineEvent event = MakeEvent(v * 10, EVENT_NOTE_ON_INT, v, 1.0);
                control->controlBuffer->PushEvent(&event);
            }
        }
    };
    for (int warm = 0; warm < 128; ++warm) {
        strike();
        kit->Process();
        control->controlBuffer->Clear();
    }
    const std::clock_t cpu = std::clock();
    for (auto _ : state) {
        strike();
        times.push_back(TimeBlock(kit.get()));
        control->controlBuffer->Clear();
    }
    ReportTimes(state, times, cpu);
}

void BM_DizodirEzavRoom(benchmark::State& state)
{
    MachinePtr room = Create("ZT DizodirEzav");
    if (!room) {
        state.SkipWithError("library not built");
        return;
    }
    const double size = (static_cast<double>(state.range(0)) - 10.0) / 20.0;
    room->SetParameter(8, size);
    room->SetParameter(9, size);
    CRandom random(3);
    FeedNoise(room.get(), random);
    for (int warm = 0; warm < 200; ++warm)
        room->Process();
    std::vector<double> times;
    const std::clock_t cpu = std::clock();
    for (auto _ : state)
        times.push_back(TimeBlock(room.get()));
    ReportTimes(state, times, cpu);
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
    const std::clock_t cpu = std::clock();
    for (auto _ : state)
        times.push_back(TimeBlock(machine.get()));
    ReportTimes(state, times, cpu);
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
BENCHMARK_CAPTURE(BM_MachineAtDefaults, ViziRavez, "ZT ViziRavez")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, Virir, "ZT Virir")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, Mixer, "ZT Mixer")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, DizodirEzav, "ZT DizodirEzav")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, StereoJoiner, "ZT StereoJoiner")->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_MachineAtDefaults, StereoSplitter, "ZT StereoSplitter")
    ->Iterations(4000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrumKitPlaying)->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DizodirEzavRoom)->Arg(10)->Arg(30)->Iterations(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DudeRiviVersusAmsynth, Held, false)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DudeRiviVersusAmsynth, NoteLife, true)->Iterations(8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
