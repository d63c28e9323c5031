// Figures of the utility machines and the readers, side by side in one run:
//  - BM_SoundFontLoad: the 6 MB timgm6mb bank read and reported into a bank
//    server.
//  - BM_DemoBlockWithHDTrack: the demo song's render cycle, 256 frames, with
//    a stereo float HD track before the master, blocks taking turns between
//    the track recording and the track idle (passing through only):
//    recording_added_pct is what writing adds to the block time; with
//    /SlowDisk the disk thread is held up, and the
//    recording blocks' time shows whether the render thread ever waits
//    (each pass of the disk thread stalls for 250 ms).
//  - BM_MIDIPlacementJitter: notes sent by a JACK MIDI client to the MIDI
//    input machine, blocks run at real-time pace: where each note lands
//    against its arrival + 80 ms and against its sending + 80 ms (in
//    frames; one block is 256).
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "app/readers/CBankReceiver.h"
#include "app/readers/CSoundFontLoader.h"
#include "framework/CControlBuffer.h"
#include "framework/CHostBankServer.h"
#include "framework/CPort.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "machines/CMIDIDevices.h"
#include "machines/CMIDIInput.h"
#include "platform/OsTime.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/CConnection.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "support/JackTestServer.h"
#include <RtMidi.h>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 256;

void BM_SoundFontLoad(benchmark::State& state)
{
    for (auto _ : state) {
        CHostBankServer server;
        CBankServerReceiver receiver(&server);
        CSoundFontLoader loader(&receiver);
        if (loader.LoadBank("/usr/share/sounds/sf2/TimGM6mb.sf2") != 0)
            state.SkipWithError("timgm6mb not readable");
        benchmark::DoNotOptimize(server.GetBankCount());
    }
    state.SetLabel("TimGM6mb.sf2");
}
BENCHMARK(BM_SoundFontLoad)->Unit(benchmark::kMillisecond);

void BM_DemoBlockWithHDTrack(benchmark::State& state)
{
    const bool slowDisk = state.range(0) != 0;
    CStudioSession session(kRate, kBlock, [](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery discovery(&host, DiscoverySettings{});
        discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
    });
    if (session.LoadProject(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp") != 0) {
        state.SkipWithError("demo song not loaded");
        return;
    }
    CStudio& studio = session.Studio();
    CMachineContainer* container =
        studio.AddMachine("Take", session.Host().FindMachineInfoByName("ZT HD Recorder Track (Stereo)"), 0, 0);
    CConnector* masterIn = studio.GetMaster()->GetConnector(0);
    std::vector<std::pair<CConnector*, double>> sources;
    while (masterIn->GetConnectionCount() > 0) {
        CConnection* cable = masterIn->GetConnection(0);
        sources.emplace_back(cable->source, cable->GetTargetVolume());
        studio.Disconnect(cable);
    }
    for (const auto& [source, volume] : sources)
        studio.Connect(source, container->GetConnector(0), volume);
    studio.Connect(container->GetConnector(1), masterIn, 1.0);
    CHDTrack& track = *static_cast<CHDTrackMachine*>(container->GetMachine())->Track();
    char path[] = "/tmp/velmora-bench-XXXXXX.wav";
    close(mkstemps(path, 4));
    track.SetFile(path, CHDTrack::FORMAT_FLOAT);
    // The slow disk: every pass of the disk thread stalls for 250 ms.
    CHDTrackList::Shared().Writer().SetWriteDelayMs(slowDisk ? 250 : 0);

    std::vector<double> left(kBlock), right(kBlock);
    double* buffers[] = {left.data(), right.data()};
    CSequenceEditor& song = session.Sequencer().Song();
    std::vector<int64_t> recordingNs, idleNs;
    int64_t blocks = 0;
    for (auto _ : state) {
        // Turns of 16 blocks each way; the song restarts when it ends.
        const bool recording = (blocks / 16) % 2 == 0;
        if (blocks % 16 == 0) {
            CLockGuard<CMutex> lock(track);
            if (recording)
                track.Open();
            else
                track.Close();
        }
        if (!song.IsSongPlaying())
            song.SetPlay(true);
        int64_t start = platform::PerformanceCounterNs();
        studio.RenderBlock(2, buffers, kBlock);
        int64_t ns = platform::PerformanceCounterNs() - start;
        (recording ? recordingNs : idleNs).push_back(ns);
        ++blocks;
    }
    {
        CLockGuard<CMutex> lock(track);
        track.Close();
    }
    CHDTrackList::Shared().Writer().SetWriteDelayMs(0);
    CHDTrackList::Shared().Writer().Flush();
    std::remove(path);
    auto median = [](std::vector<int64_t> v) {
        if (v.empty())
            return 0.0;
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return static_cast<double>(v[v.size() / 2]);
    };
    auto high = [](std::vector<int64_t> v) {
        if (v.empty())
            return 0.0;
        std::sort(v.begin(), v.end());
        return static_cast<double>(v[v.size() * 99 / 100]);
    };
    const double rec = median(recordingNs);
    const double idle = median(idleNs);
    state.counters["recording_median_us"] = rec / 1000.0;
    state.counters["idle_median_us"] = idle / 1000.0;
    state.counters["recording_p99_us"] = high(recordingNs) / 1000.0;
    state.counters["idle_p99_us"] = high(idleNs) / 1000.0;
    state.counters["recording_added_pct"] = idle > 0 ? 100.0 * (rec - idle) / idle : 0.0;
    state.counters["block_budget_us"] = 1e6 * kBlock / kRate;
}
BENCHMARK(BM_DemoBlockWithHDTrack)->ArgName("SlowDisk")->Arg(0)->Arg(1)->Iterations(6400)->Unit(benchmark::kMicrosecond);

void BM_MIDIPlacementJitter(benchmark::State& state)
{
    CJackTestServer server(kRate, kBlock);
    if (!server.Ready()) {
        state.SkipWithError("no JACK server");
        return;
    }
    static CVelmHost host(kRate, kBlock, 0);
    std::vector<double> jitterFrames;
    std::vector<double> arrivalFrames;
    {
        RtMidiOut keyboard(RtMidi::UNIX_JACK, "bench-keys");
        keyboard.openVirtualPort("out");
        CMIDIDevices devices;
        int32_t index = -1;
        for (int32_t i = 0; i < devices.InputCount(); ++i) {
            if (devices.Input(i)->Name() == "bench-keys:out")
                index = i;
        }
        CMIDIInput input(&host, &devices);
        input.SelectDevice(index);
        std::mt19937 random(7);
        for (auto _ : state) {
            // One note at a random moment, then blocks at real-time pace
            // until it comes out.
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 6000));
            std::vector<unsigned char> on = {0x90, 60, 100};
            int64_t sent = platform::PerformanceCounterNs();
            keyboard.sendMessage(&on);
            const int64_t blockNs = 1000000000LL * kBlock / kRate;
            int64_t blockStart = platform::PerformanceCounterNs();
            bool heard = false;
            for (int n = 0; n < 200 && !heard; ++n) {
                while (platform::PerformanceCounterNs() < blockStart)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                int64_t began = platform::PerformanceCounterNs();
                input.ports[0]->controlBuffer->Clear();
                input.Process();
                MachineEvent event;
                while (input.ports[0]->controlBuffer->PopEvent(&event)) {
                    double placed = began + event.time * 1e9 / kRate;
                    int64_t arrived;
                    std::memcpy(&arrived, event.reserved, sizeof arrived);
                    jitterFrames.push_back((placed - (sent + 80e6)) * kRate / 1e9);
                    arrivalFrames.push_back((placed - (arrived + 80e6)) * kRate / 1e9);
                    heard = true;
                }
                blockStart += blockNs;
            }
            std::vector<unsigned char> off = {0x80, 60, 0};
            keyboard.sendMessage(&off);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            input.ports[0]->controlBuffer->Clear();
            input.Process();
        }
    }
    if (jitterFrames.empty())
        return;
    std::sort(jitterFrames.begin(), jitterFrames.end());
    std::sort(arrivalFrames.begin(), arrivalFrames.end());
    state.counters["after_arrival_min_frames"] = arrivalFrames.front();
    state.counters["after_arrival_max_frames"] = arrivalFrames.back();
    state.counters["notes"] = static_cast<double>(jitterFrames.size());
    // Against the moment the keyboard sent: JACK's delivery (up to a period
    // or two) is included.
    state.counters["lateness_min_frames"] = jitterFrames.front();
    state.counters["lateness_median_frames"] = jitterFrames[jitterFrames.size() / 2];
    state.counters["lateness_max_frames"] = jitterFrames.back();
    state.counters["jitter_frames"] = jitterFrames.back() - jitterFrames.front();
    state.counters["block_frames"] = kBlock;
}
BENCHMARK(BM_MIDIPlacementJitter)->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
