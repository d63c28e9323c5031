// What an open core machine editor costs the GUI thread while the audio
// thread plays: the mixer's meters moving, and DudeRivi automated in every
// block. Each figure is the GUI thread's CPU time over the wall time of a
// few seconds, beside the same loop with no editor open.
#include "framework/CAudioBuffer.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CMutex.h"
#include "framework/MachineLibrary.h"
#include "framework/CPort.h"
#include "platform/OsLibrary.h"
#include "studio/CVelmHost.h"
#include "ui/CColorManager.h"
#include "ui/CWindow.h"
#include "ui/ControlMessages.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 256;
constexpr int kSeconds = 4;

CVelmHost& Host()
{
    static CVelmHost host(kRate, kFrames, 0);
    static bool loaded = [] {
        const std::string path = std::string(VELMORA_BIN_DIR) + "/PlugIns/ZT-CoreMachines.so";
        platform::LibraryHandle library = platform::LoadLibrary(path.c_str());
        if (!library)
            std::abort();
        auto init = reinterpret_cast<VelmPlugInitFunction>(platform::GetSymbol(library, kMachineLibraryExport));
        init(library, &host);
        return true;
    }();
    (void)loaded;
    return host;
}

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Plays the machine in real time on an audio thread (`block` fills its
// inputs or automates it) while the GUI thread runs its event loop; the
// GUI thread's share of one core.
template <typename Block>
double GuiShare(CMachine* machine, Block block)
{
    std::atomic<bool> playing{true};
    std::thread audio([&] {
        auto next = std::chrono::steady_clock::now();
        for (int64_t n = 0; playing.load(); ++n) {
            {
                CLockGuard<CMachine> lock(*machine);
                block(n);
                machine->Process();
                machine->ProcessLate();
            }
            next += std::chrono::microseconds(1000000LL * kFrames / kRate);
            std::this_thread::sleep_until(next);
        }
    });
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = ThreadSeconds();
    QEventLoop loop;
    QTimer::singleShot(kSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = ThreadSeconds() - cpu0;
    const double seconds = wall.nsecsElapsed() * 1e-9;
    playing = false;
    audio.join();
    return 100.0 * cpu / seconds;
}

void Measure(benchmark::State& state, const char* type, auto block)
{
    CMachine* machine = Host().CreateMachineByName(type, nullptr);
    machine->SetSampleRate(kRate);
    machine->SetBlockSize(kFrames);
    machine->ResizeBuffers(kFrames);
    CColorManager colors;
    CWindow window(nullptr, "Editor bench", 0, 0, 1000, 360);
    window.SetColorManager(&colors);
    window.Show(kShow);
    for (auto _ : state) {
        const double without = GuiShare(machine, [&](int64_t n) { block(machine, n); });
        machine->CreateGUI(&window);
        machine->ShowGUI();
        const double with = GuiShare(machine, [&](int64_t n) { block(machine, n); });
        state.counters["gui_core_pct"] = with;
        state.counters["gui_core_pct_without_editor"] = without;
        state.counters["editor_core_pct"] = with - without;
    }
    machine->Release();
}

// Noise into every input: all ten meters move.
void MixerMeters(benchmark::State& state)
{
    Measure(state, "ZT Mixer", [](CMachine* mixer, int64_t n) {
        uint32_t seed = static_cast<uint32_t>(n) * 2654435761u;
        for (int32_t p = 0; p < mixer->portCount; ++p) {
            CAudioBuffer* b = mixer->ports[p]->audioBuffer;
            if (!b || !mixer->ports[p]->IsInput())
                continue;
            for (int32_t i = 0; i < b->length; ++i) {
                seed = seed * 1664525u + 1013904223u;
                b->left[i] = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * (0.2 + 0.08 * p);
                if (b->right)
                    b->right[i] = b->left[i];
            }
        }
    });
}

// Eight parameters automated in every block: the LCD line and sliders move.
void DudeRiviAutomated(benchmark::State& state)
{
    Measure(state, "ZT DudeRivi", [](CMachine* synth, int64_t n) {
        for (int32_t k = 0; k < 8; ++k)
            synth->SetParameterAutomated(24 + k, 0.5 + 0.5 * std::sin(0.01 * static_cast<double>(n) + k));
    });
}

} // namespace

BENCHMARK(MixerMeters)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(DudeRiviAutomated)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
