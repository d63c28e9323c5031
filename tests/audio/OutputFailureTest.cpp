// Output that stops by itself while the output manager plays: a real JACK
// server killed under the JACK driver, an ALSA device whose pipe closes
// under "Wave Out", and a slow machine making the server count xruns.
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "audio/CWaveOutDriver.h"
#include "platform/OsWaveOut.h"
#include "studio/RenderEntry.h"
#include "support/AudioTestEnvironment.h"
#include "support/JackTestServer.h"
#include "support/StudioFixture.h"
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Only the pipe device, and a configuration folder whose driver registry
// names the JACK driver the build made.
const bool environment = [] {
    setenv("ALSA_CONFIG_PATH", VELMORA_SOURCE_DIR "/tests/audio/PipeDevice.conf", 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    const std::string config = testenv::UsePrivateConfigFolder("failure");
    std::filesystem::create_directories(config + "/Velmora Studio");
    std::ifstream shipped(VELMORA_BIN_DIR "/AsioDrivers.reg");
    std::string text((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
    const std::string library = "\"velmora-jack-asio.so\"";
    text.replace(text.find(library), library.size(), "\"" VELMORA_BIN_DIR "/velmora-jack-asio.so\"");
    std::ofstream(config + "/Velmora Studio/AsioDrivers.reg") << text;
    return true;
}();

std::atomic<int64_t> blocks{0};
std::atomic<int32_t> lastFrames{0};

void CountingCallback(int32_t channels, double** buffers, int32_t frames)
{
    SilenceCallback(channels, buffers, frames);
    lastFrames.store(frames);
    blocks.fetch_add(1);
}

template <typename Condition>
bool WaitUntil(Condition condition, double seconds = 10.0)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(seconds));
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool BlocksGoOn(int64_t count = 5)
{
    const int64_t from = blocks.load();
    return WaitUntil([&] { return blocks.load() >= from + count; });
}

// What the manager told, and when.
class CToldListener : public CAudioOutputListener {
public:
    void OutputFailed(const char* driverName, const char* reason) override
    {
        std::lock_guard lock(mutex);
        drivers.push_back(driverName);
        reasons.push_back(reason);
        at = Clock::now();
    }
    size_t Count()
    {
        std::lock_guard lock(mutex);
        return reasons.size();
    }
    std::string Reason(size_t i)
    {
        std::lock_guard lock(mutex);
        return reasons[i];
    }
    std::string Driver(size_t i)
    {
        std::lock_guard lock(mutex);
        return drivers[i];
    }
    Clock::time_point At()
    {
        std::lock_guard lock(mutex);
        return at;
    }

private:
    std::mutex mutex;
    std::vector<std::string> drivers;
    std::vector<std::string> reasons;
    Clock::time_point at;
};

class JackServerGoneTest : public ::testing::TestWithParam<int> {};

} // namespace

// SIGKILL tells no client; SIGTERM closes them. Either way the manager
// plays on through "Null" and the restarted server is played into again.
TEST_P(JackServerGoneTest, TheManagerFallsBackToNullTellsOnceAndReconnectsToANewServer)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::ASIO_DRIVER;
    CToldListener told;
    {
        CAudioOutputManager manager(options);
        manager.SetListener(&told);
        ASSERT_EQ(manager.GetCurrentDriver()->GetBufferSize(), 256);
        manager.StartOutput(CountingCallback);
        ASSERT_TRUE(BlocksGoOn(50));
        EXPECT_EQ(lastFrames.load(), 256);

        const Clock::time_point killed = Clock::now();
        server.Stop(GetParam());
        ASSERT_TRUE(WaitUntil([&] { return told.Count() > 0; }));
        EXPECT_LT(std::chrono::duration<double>(told.At() - killed).count(), 1.0);
        EXPECT_EQ(told.Driver(0), "ASIO");
        EXPECT_EQ(told.Reason(0).rfind("JACK Server Stopped", 0), 0u) << told.Reason(0);
        EXPECT_EQ(manager.GetLastFailure(), told.Reason(0));
        EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::NULL_DRIVER);
        EXPECT_EQ(manager.GetFailedIndex(), CAudioOutputManager::ASIO_DRIVER);
        // Time goes on through "Null".
        EXPECT_TRUE(BlocksGoOn());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(told.Count(), 1u);

        // "Null" plays blocks of 512 frames and more: 256 are the server's.
        EXPECT_GE(lastFrames.load(), 512);
        ASSERT_TRUE(server.Restart());
        EXPECT_TRUE(manager.Reconnect());
        EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::ASIO_DRIVER);
        EXPECT_EQ(manager.GetFailedIndex(), -1);
        EXPECT_FALSE(manager.Reconnect());
        // The new server lists the driver's ports and drives its blocks.
        // (Only looked at: audio read by a second client of this process
        // passes through the server, where the thread sanitizer cannot
        // follow it.)
        std::unique_ptr<platform::JackClient> look(platform::JackClient::Open("velmora-look", nullptr));
        ASSERT_TRUE(look);
        EXPECT_EQ(look->FindPorts("^Velmora Studio.*:out_", false).size(), 2u);
        EXPECT_TRUE(BlocksGoOn(50));
        EXPECT_EQ(lastFrames.load(), 256);
        look.reset();
        manager.StopOutput();
    }
    // The user's choice is kept, not the fallback.
    EXPECT_EQ(options.outputDriver, CAudioOutputManager::ASIO_DRIVER);
}

INSTANTIATE_TEST_SUITE_P(Signals, JackServerGoneTest, ::testing::Values(SIGKILL, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGKILL ? std::string("Killed") : std::string("Terminated");
                         });

TEST(JackServerGoneTest, AFailureAfterTheUserStoppedTheOutputStartsNothing)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::ASIO_DRIVER;
    CToldListener told;
    CAudioOutputManager manager(options);
    manager.SetListener(&told);
    manager.StartOutput(CountingCallback);
    ASSERT_TRUE(BlocksGoOn(20));
    manager.StopOutput();
    server.Stop(SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int64_t after = blocks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(blocks.load(), after);
    EXPECT_EQ(told.Count(), 0u);
    EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::ASIO_DRIVER);
}

namespace {

// Takes a pipe's first `bytes` bytes, then closes it: the device writing
// into it fails from then on.
class CPipeReader {
public:
    CPipeReader(const std::string& path, size_t bytes)
        : thread([this, path, bytes] {
              FILE* pipe = std::fopen(path.c_str(), "rb");
              if (!pipe)
                  return;
              std::vector<char> chunk(4096);
              while (taken.load() < bytes) {
                  size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe);
                  if (n == 0)
                      break;
                  taken += n;
              }
              std::fclose(pipe);
              closed = true;
          })
    {
    }
    ~CPipeReader() { thread.join(); }
    std::atomic<size_t> taken{0};
    std::atomic<bool> closed{false};

private:
    std::thread thread;
};

} // namespace

TEST(WaveOutGoneTest, ADeviceFailingMidStreamIsReportedOnceAndNullTakesOverUntilReconnected)
{
    // Listed before the pipe is named: listing opens the device.
    const int32_t device = testenv::WaveOutDeviceIndex("velmora_pipe");
    ASSERT_GE(device, 0);
    const std::string pipe = testenv::PrivateFolder("pipe") + "/device";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    setenv("VELMORA_TEST_PIPE", pipe.c_str(), 1);

    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::WAVE_OUT_DRIVER;
    options.waveOutDevice = device;
    options.waveOutBufferSize = 2048;
    CToldListener told;
    CAudioOutputManager manager(options);
    manager.SetListener(&told);
    {
        // Two blocks of 16-bit stereo are in flight from the start.
        CPipeReader reader(pipe, 6 * 2048 * 4);
        manager.StartOutput(CountingCallback);
        ASSERT_TRUE(WaitUntil([&] { return reader.closed.load(); }));
        const Clock::time_point closed = Clock::now();
        ASSERT_TRUE(WaitUntil([&] { return told.Count() > 0; }));
        EXPECT_LT(std::chrono::duration<double>(told.At() - closed).count(), 1.0);
    }
    EXPECT_EQ(told.Driver(0), "Wave Out");
    EXPECT_EQ(told.Reason(0), "WaveOut: waveOutWrite Failed <Error Code 0x6>");
    EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::NULL_DRIVER);
    EXPECT_EQ(manager.GetFailedIndex(), CAudioOutputManager::WAVE_OUT_DRIVER);
    EXPECT_TRUE(BlocksGoOn());

    // The device is back: reconnected, it plays, and fails again the same way.
    {
        CPipeReader reader(pipe, 6 * 2048 * 4);
        EXPECT_TRUE(manager.Reconnect());
        EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::WAVE_OUT_DRIVER);
        ASSERT_TRUE(WaitUntil([&] { return reader.closed.load(); }));
        EXPECT_GE(reader.taken.load(), static_cast<size_t>(6 * 2048 * 4));
        ASSERT_TRUE(WaitUntil([&] { return told.Count() > 1; }));
    }
    EXPECT_EQ(told.Count(), 2u);
    EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::NULL_DRIVER);
    manager.StopOutput();
    unsetenv("VELMORA_TEST_PIPE");
}

namespace {

// Sleeps far past a JACK period in each of its next `slowBlocks` blocks.
class CSlowMachine : public CPassMachine {
public:
    explicit CSlowMachine(CHost* host) : CPassMachine(host) {}
    void Render() override
    {
        CPassMachine::Render();
        if (slowBlocks.load() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            slowBlocks.fetch_sub(1);
        }
    }
    static inline std::atomic<int> slowBlocks{0};
};

void Ignore(void*, uint32_t) {}

// Until the count has not moved for half a second.
void WaitForQuiet(const platform::JackClient& observer)
{
    int64_t last = observer.Xruns();
    Clock::time_point since = Clock::now();
    while (Clock::now() - since < std::chrono::milliseconds(500)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (observer.Xruns() != last) {
            last = observer.Xruns();
            since = Clock::now();
        }
    }
}

} // namespace

TEST(JackXrunTest, ASlowMachineMakesXrunsCountedAsTheServerReportsThem)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    // Another client hears the server's xrun reports too.
    std::unique_ptr<platform::JackClient> observer(platform::JackClient::Open("velmora-observer", nullptr));
    ASSERT_TRUE(observer);
    ASSERT_TRUE(observer->Activate(Ignore, nullptr));

    CStudioFixture fixture(44100, 256);
    CMachineInfo* slow = fixture.Register<CSlowMachine>("ZT Slow");
    fixture.studio->NewProject();
    CMachineContainer* machine = fixture.studio->AddMachineOfType(slow, 0, 0);
    fixture.studio->Connect(machine->GetConnector(1), fixture.studio->GetMaster()->GetConnector(0), 1.0);
    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::ASIO_DRIVER;
    CAudioOutputManager manager(options);
    manager.SetStudio(fixture.studio.get());
    CRenderRegistration registration(*fixture.studio);
    manager.StartOutput(RenderEntry);
    ASSERT_TRUE(WaitUntil([&] {
        CLockGuard lock(*fixture.studio);
        return fixture.host.GetPosition() > 44100 / 4;
    }));

    WaitForQuiet(*observer);
    const int64_t serverBefore = observer->Xruns();
    const int64_t oursBefore = manager.GetXruns();
    CSlowMachine::slowBlocks = 4;
    ASSERT_TRUE(WaitUntil([&] { return CSlowMachine::slowBlocks.load() == 0; }));
    WaitForQuiet(*observer);
    const int64_t serverXruns = observer->Xruns() - serverBefore;
    EXPECT_GE(serverXruns, 1);
    EXPECT_EQ(manager.GetXruns() - oursBefore, serverXruns);
    manager.StopOutput();
    observer.reset();
}
