#include "app/PlayCommand.h"
#include "audio/CStudioOptions.h"
#include "app/CStudioSession.h"
#include "app/CommandLine.h"
#include "audio/CASIODriver.h"
#include "audio/CASIODriverList.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CWaveOutDriver.h"
#include "framework/Errors.h"
#include "platform/OsThread.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "platform/OsWaveOut.h"
#include "studio/CStudio.h"
#include "studio/RenderEntry.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = "Usage: velmora-studio --play PROJECT.vmp [--driver \"Null\"|\"Wave Out\"|\"ASIO\"] "
                               "[--device NAME] [--seconds S] [--record all]";
constexpr const char* kDriverNames[] = {"Null", "Wave Out", "ASIO"};

std::atomic<bool> interrupted{false};
std::atomic<int64_t> framesRendered{0};

void OnInterrupt(int)
{
    interrupted.store(true);
}

// The song's first block, rendered before the device's clock runs. The
// first block after loading runs every machine's initial parameter events
// and first touches of its buffers: tens of milliseconds for a big project,
// several periods of a small-buffer device. The driver's first call plays
// it; every later call renders its own block, so what is heard is the same.
struct CFirstBlock {
    std::vector<double> samples;
    int32_t channels = 0;
    int32_t frames = 0;
    std::atomic<bool> ready{false};

    // The studio is prepared for the driver already.
    void Render(CStudio& studio, CAudioOutputDriver& driver)
    {
        channels = driver.GetChannels();
        frames = driver.GetBufferSize();
        if (channels < 1 || frames < 1)
            return;
        samples.assign(static_cast<size_t>(channels) * static_cast<size_t>(frames), 0.0);
        std::vector<double*> buffers(static_cast<size_t>(channels));
        for (int32_t c = 0; c < channels; ++c)
            buffers[static_cast<size_t>(c)] = Channel(c);
        CLockGuard lock(studio);
        studio.RenderBlock(channels, buffers.data(), frames);
        ready.store(true, std::memory_order_release);
    }

    // True when the call was the first block's and is served.
    bool Take(int32_t callChannels, double** buffers, int32_t callFrames)
    {
        if (!ready.exchange(false, std::memory_order_acq_rel))
            return false;
        // A device that asks for another shape renders as usual; the song
        // is then one block further on.
        if (callChannels != channels || callFrames != frames)
            return false;
        for (int32_t c = 0; c < channels; ++c)
            std::copy(Channel(c), Channel(c) + frames, buffers[c]);
        return true;
    }

    double* Channel(int32_t c) { return samples.data() + static_cast<size_t>(c) * static_cast<size_t>(frames); }
};

CFirstBlock firstBlock;

// The render entry, counting what it rendered. The driver's thread asks
// for real-time scheduling at its first block (the workers follow it).
void PlayEntry(int32_t channels, double** buffers, int32_t frames)
{
    thread_local bool asked = false;
    if (!asked) {
        asked = true;
        if (platform::CurrentRealtimePriority() == 0)
            platform::RequestRealtime();
    }
    if (!firstBlock.Take(channels, buffers, frames))
        RenderEntry(channels, buffers, frames);
    framesRendered.fetch_add(frames, std::memory_order_relaxed);
}

// Notes the reason when the output stops by itself.
class CFailureCatcher : public CAudioOutputListener {
public:
    void OutputFailed(const char*, const char* text) override
    {
        std::lock_guard lock(mutex);
        reason = text;
        failed.store(true);
    }
    bool Failed() const { return failed.load(); }
    std::string Reason()
    {
        std::lock_guard lock(mutex);
        return reason;
    }

private:
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::string reason;
};

// Ctrl-C ends the playing instead of the process while this lives.
class CInterruptCatcher {
public:
    CInterruptCatcher()
    {
        interrupted.store(false);
        struct sigaction action{};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInterrupt);
        sigaction(SIGTERM, &action, &previousTerminate);
    }
    ~CInterruptCatcher()
    {
        sigaction(SIGINT, &previousInterrupt, nullptr);
        sigaction(SIGTERM, &previousTerminate, nullptr);
    }
    CInterruptCatcher(const CInterruptCatcher&) = delete;
    CInterruptCatcher& operator=(const CInterruptCatcher&) = delete;

private:
    struct sigaction previousInterrupt{};
    struct sigaction previousTerminate{};
};

int32_t DriverIndex(const std::string& name)
{
    for (int32_t i = 0; i < CAudioOutputManager::DRIVER_COUNT; ++i) {
        if (name == kDriverNames[i])
            return i;
    }
    Raise("Unknown Driver '%s'; The Drivers Are \"Null\", \"Wave Out\" And \"ASIO\"", name.c_str());
}

std::vector<std::string> DeviceNames(int32_t driver)
{
    std::vector<std::string> names;
    if (driver == CAudioOutputManager::NULL_DRIVER) {
        names.push_back("Null");
    } else if (driver == CAudioOutputManager::WAVE_OUT_DRIVER) {
        for (uint32_t i = 0; i < platform::WaveOutGetNumDevs(); ++i) {
            platform::WaveOutCaps caps;
            platform::WaveOutGetDevCaps(i, &caps);
            names.push_back(caps.name);
        }
    } else {
        CASIODriverList list;
        for (int32_t i = 0; i < list.Count(); ++i)
            names.push_back(list.Name(i));
    }
    return names;
}

// Points the driver's stored device at the named one, so that the driver
// takes it (with its formats and sizes) when it is made.
void ChooseDevice(CStudioOptions& options, int32_t driver, const std::string& name)
{
    const std::vector<std::string> names = DeviceNames(driver);
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name)
            continue;
        if (driver == CAudioOutputManager::WAVE_OUT_DRIVER)
            options.waveOutDevice = static_cast<int32_t>(i);
        else if (driver == CAudioOutputManager::ASIO_DRIVER)
            options.asioDriver = static_cast<int32_t>(i);
        return;
    }
    std::string known;
    for (const std::string& candidate : names)
        known += (known.empty() ? "'" : ", '") + candidate + "'";
    Raise("Unknown Device '%s' For \"%s\"; %s", name.c_str(), kDriverNames[driver],
          known.empty() ? "There Is None" : ("There Are " + known).c_str());
}

std::string DeviceName(CAudioOutputManager& manager)
{
    CAudioOutputDriver* driver = manager.GetCurrentDriver();
    const char* name = "Null";
    if (auto* waveOut = dynamic_cast<CWaveOutDriver*>(driver))
        name = waveOut->GetDeviceName(waveOut->GetDevice());
    else if (auto* asio = dynamic_cast<CASIODriver*>(driver))
        name = asio->GetDriverName(asio->GetDriver());
    return name ? name : "";
}

// How long a device may still play what was rendered before the song's end:
// two blocks in flight and the device's own buffer.
Clock::duration Drain(CAudioOutputDriver& driver)
{
    const double seconds = 2.0 * driver.GetBufferSize() / driver.GetSampleRate() + 0.15;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void ArmRecorder()
{
    CHDTrackList& tracks = CHDTrackList::Shared();
    tracks.OpenAll();
    for (const auto& track : tracks.Tracks()) {
        if (!track->IsRecording())
            std::fprintf(stderr, "Warning: HD track '%s' does not record: no file could be made at '%s'\n",
                         track->MachineName().c_str(), track->GetPath().c_str());
    }
}

// Closes every recording and waits until its file is complete.
void DisarmRecorder()
{
    CHDTrackList& tracks = CHDTrackList::Shared();
    tracks.CloseAll();
    tracks.Writer().Flush();
}

} // namespace

int RunPlayCommand(int argc, char** argv)
{
    try {
        CommandArguments arguments(argc, argv, {"--driver", "--device", "--seconds", "--record"});
        if (arguments.Has("--record") && arguments.Text("--record") != "all")
            Raise("%s", kUsage);
        if (arguments.positional.size() != 1)
            Raise("%s", kUsage);
        const std::string& project = arguments.positional[0];
        const double seconds = arguments.Number("--seconds", -1.0, 0.0, 24.0 * 3600.0);

        // Read, changed for this run only, never written.
        CStudioOptions options;
        options.Read();
        if (arguments.Has("--driver"))
            options.outputDriver = DriverIndex(arguments.Text("--driver"));
        if (arguments.Has("--device")) {
            if (options.outputDriver < 0 || options.outputDriver >= CAudioOutputManager::DRIVER_COUNT)
                Raise("Choose A Driver For The Device With --driver");
            ChooseDevice(options, options.outputDriver, arguments.Text("--device"));
        }
        CAudioOutputManager manager(options);
        CAudioOutputDriver& driver = *manager.GetCurrentDriver();
        if (!driver.IsAvailable())
            Raise("Driver \"%s\" Has No Device Here", driver.GetName());

        CStudioSession session(driver.GetSampleRate(), driver.GetBufferSize(), RegisterProgramMachineTypes);
        const int32_t missing = session.LoadProject(project);
        CSequenceEditor& song = session.Sequencer().Song();
        manager.SetStudio(&session.Studio());
        CFailureCatcher failure;
        manager.SetListener(&failure);
        CRenderRegistration registration(session.Studio());
        CInterruptCatcher catcher;
        // "Record Stream": every HD track with a file records from the
        // first block on.
        if (arguments.Has("--record"))
            ArmRecorder();
        framesRendered.store(0);
        song.SetPlay(true);
        const Clock::time_point start = Clock::now();
        manager.StartOutput(PlayEntry, [&] { firstBlock.Render(session.Studio(), driver); });
        std::printf("Playing '%s': %s, device '%s', %d Hz, %d frames per block\n", project.c_str(), driver.GetName(),
                    DeviceName(manager).c_str(), driver.GetSampleRate(), driver.GetBufferSize());
        std::fflush(stdout);

        const Clock::duration limit = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            seconds >= 0.0 ? seconds : 24.0 * 3600.0));
        Clock::time_point songEnd{};
        bool silent = false;
        bool toldRealtime = false;
        while (!interrupted.load() && !failure.Failed()) {
            if (!toldRealtime && platform::RealtimeRefused()) {
                toldRealtime = true;
                std::fprintf(stderr, "Real-Time Scheduling Refused: Playing At Normal Priority\n");
            }
            const Clock::time_point now = Clock::now();
            if (now - start >= limit)
                break;
            if (songEnd == Clock::time_point{} && !song.IsSongPlaying())
                songEnd = now;
            if (songEnd != Clock::time_point{} && now - songEnd >= Drain(driver))
                break;
            // A device that did not start renders nothing; its error is shown.
            if (framesRendered.load() == 0 && now - start >= std::chrono::seconds(2) + Drain(driver)) {
                silent = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        manager.StopOutput();
        manager.SetListener(nullptr);
        song.Stop();
        if (arguments.Has("--record"))
            DisarmRecorder();
        const double played = std::chrono::duration<double>(Clock::now() - start).count();
        const long long xruns = static_cast<long long>(manager.GetXruns());
        std::printf("Stopped after %.2f s, %lld xrun%s%s\n", played, xruns, xruns == 1 ? "" : "s",
                    interrupted.load() ? " (interrupted)" : "");
        std::fflush(stdout);
        if (failure.Failed())
            Raise("%s", failure.Reason().c_str());
        if (silent)
            Raise("The Output Did Not Start");
        return ProjectCommandStatus(missing, project);
    } catch (const CError& error) {
        Show("%s", error.Text());
        return COMMAND_FAILED;
    }
}
