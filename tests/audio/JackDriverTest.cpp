#include "audio/CStudioOptions.h"
#include "audio/CASIODriver.h"
#include "support/AudioTestEnvironment.h"
#include "support/JackTestServer.h"
#include <atomic>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

const bool environment = testenv::UseNoDevices() && !testenv::UsePrivateConfigFolder("jack").empty();

// The registry file the build installs beside the program.
const std::vector<std::string> kShippedRegistry = {VELMORA_BIN_DIR "/AsioDrivers.reg"};

std::atomic<int> calls{0};
std::atomic<int> badCalls{0};
std::atomic<int64_t> frameCounter{0};

// Channel 0 rises from 0.005 to 0.5 in steps of 0.005 and starts again;
// channel 1 is its negation. No sample is 0, so the signal is easy to find.
double Signal(int64_t frame)
{
    return static_cast<double>(frame % 100 + 1) / 200.0;
}

void SignalCallback(int32_t channels, double** buffers, int32_t frames)
{
    if (channels != 2 || frames != 256)
        ++badCalls;
    for (int32_t i = 0; i < frames; ++i) {
        const double value = Signal(frameCounter + i);
        buffers[0][i] = value;
        if (channels > 1)
            buffers[1][i] = -value;
    }
    frameCounter += frames;
    ++calls;
}

double Next(double value)
{
    return value >= 0.5 - 1e-6 ? 0.005 : value + 0.005;
}

// The longest run of captured frames that continues the signal without a
// gap, both channels.
size_t SignalRun(const CJackCapture& capture)
{
    const std::vector<float>& left = capture.Channel(0);
    const std::vector<float>& right = capture.Channel(1);
    size_t best = 0, run = 0;
    for (size_t i = 1; i < capture.Frames(); ++i) {
        bool follows = left[i] != 0.0f && std::fabs(left[i] - Next(left[i - 1])) < 1e-5 &&
                       std::fabs(right[i] + left[i]) < 1e-6;
        run = follows ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

bool WaitForCalls(int count)
{
    for (int waited = 0; waited < 10000 && calls.load() < count; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return calls.load() >= count;
}

} // namespace

TEST(JackDriverTest, WithoutAServerTheDriverIsListedButStartsNone)
{
    setenv("JACK_DEFAULT_SERVER", ("velmora-absent-" + std::to_string(getpid())).c_str(), 1);
    // The driver must not start a server even where clients may.
    unsetenv("JACK_NO_START_SERVER");
    CStudioOptions options;
    auto start = std::chrono::steady_clock::now();
    CASIODriver driver(options, kShippedRegistry);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    setenv("JACK_NO_START_SERVER", "1", 1);
    ASSERT_EQ(driver.GetDriverCount(), 1);
    EXPECT_STREQ(driver.GetDriverName(0), "JACK");
    EXPECT_TRUE(driver.IsAvailable());
    EXPECT_EQ(driver.GetChannels(), 0);
    EXPECT_EQ(driver.GetRateFlags(0), 0);
    // Seconds are what starting a server costs; failing costs far less.
    EXPECT_LT(elapsed, 2.0);
    std::unique_ptr<platform::JackClient> client(platform::JackClient::Open("velmora-check", nullptr));
    EXPECT_EQ(client, nullptr) << "a server was started";
}

TEST(JackDriverTest, PlaysIntoTheServerAtItsRateAndPeriodAndStartsAgainAfterStop)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    {
        CStudioOptions options;
        options.asioRate = 16; // not the server's: its rate is taken
        CASIODriver driver(options, kShippedRegistry);
        ASSERT_EQ(driver.GetDriverCount(), 1);
        EXPECT_EQ(driver.GetRateFlags(0), 4);
        EXPECT_EQ(driver.GetSampleRate(), 44100);
        EXPECT_EQ(driver.GetMinimumBufferSize(), 256);
        EXPECT_EQ(driver.GetMaximumBufferSize(), 256);
        EXPECT_EQ(driver.GetPreferredBufferSize(), 256);
        EXPECT_EQ(driver.GetBufferSize(), 256);
        EXPECT_EQ(driver.GetChannels(), 2);

        CJackCapture capture(2, 4.0, 44100);
        ASSERT_TRUE(capture.Ok());
        driver.SetCallback(SignalCallback);
        calls = 0;
        driver.Start();
        ASSERT_EQ(capture.ConnectFrom("^Velmora Studio.*:out_"), 2);
        auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const int inOneSecond = calls.load();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // 172.3 periods a second; the bounds only keep out a wrong rate or
        // period, not scheduling noise.
        EXPECT_GT(inOneSecond, 100 * elapsed);
        EXPECT_LT(inOneSecond, 260 * elapsed);
        EXPECT_EQ(badCalls.load(), 0);
        driver.Stop();
        const int afterStop = calls.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(calls.load(), afterStop);
        // The samples arrived whole, in order, at the other client.
        EXPECT_GT(SignalRun(capture), 20000u);

        // Started again: new ports, connected again, the signal goes on.
        CJackCapture again(2, 2.0, 44100);
        driver.Start();
        ASSERT_EQ(again.ConnectFrom("^Velmora Studio.*:out_"), 2);
        ASSERT_TRUE(WaitForCalls(afterStop + 100));
        driver.Stop();
        EXPECT_GT(SignalRun(again), 10000u);
    }
}
