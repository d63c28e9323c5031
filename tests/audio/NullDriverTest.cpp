#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CNullDriver.h"
#include "framework/Errors.h"
#include "platform/OsTime.h"
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include "support/AudioTestEnvironment.h"

namespace {

// No sound device and no low-latency driver: only "Null" can run.
const bool environment = testenv::UseNoDevices() && !testenv::UsePrivateConfigFolder("no-devices").empty();

CStudioOptions NullOptions(int32_t bufferSize, FormatMask format = 0x800)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = bufferSize;
    options.nullFormat = static_cast<int32_t>(format);
    return options;
}

// What the callbacks below saw; one test at a time uses them.
struct Calls {
    std::atomic<int> count{0};
    std::atomic<int> channels{0};
    std::atomic<int> frames{0};
    std::atomic<int> delayMs{0};
    std::atomic<bool> inBlock{false};
    std::atomic<int64_t> lastStartNs{0};
    std::atomic<int64_t> lastEndNs{0};
    std::atomic<int64_t> largestGapNs{0};
};
Calls calls;

void ResetCalls()
{
    calls.count = 0;
    calls.channels = 0;
    calls.frames = 0;
    calls.delayMs = 0;
    calls.inBlock = false;
    calls.lastStartNs = 0;
    calls.lastEndNs = 0;
    calls.largestGapNs = 0;
}

void CountingCallback(int32_t channels, double** buffers, int32_t frames)
{
    calls.inBlock = true;
    int64_t start = platform::PerformanceCounterNs();
    if (calls.lastEndNs != 0 && start - calls.lastEndNs > calls.largestGapNs)
        calls.largestGapNs = start - calls.lastEndNs.load();
    calls.lastStartNs = start;
    calls.channels = channels;
    calls.frames = frames;
    for (int32_t j = 0; j < channels; ++j)
        for (int32_t i = 0; i < frames; ++i)
            buffers[j][i] = 0.5;
    if (calls.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(calls.delayMs.load()));
    calls.lastEndNs = platform::PerformanceCounterNs();
    calls.count.fetch_add(1);
    calls.inBlock = false;
}

bool WaitFor(std::atomic<int>& value, int atLeast, int milliseconds = 5000)
{
    for (int waited = 0; waited < milliseconds && value.load() < atLeast; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return value.load() >= atLeast;
}

std::string RaisedText(void (*action)(CStudioOptions&), CStudioOptions& options)
{
    try {
        action(options);
    } catch (const CError& error) {
        return error.Text();
    }
    return "<nothing raised>";
}

class NullDriverTest : public ::testing::Test {
protected:
    void SetUp() override { ResetCalls(); }
};

} // namespace

TEST_F(NullDriverTest, BufferSizesAreClampedOnSetAndOnRead)
{
    CStudioOptions options = NullOptions(512);
    CNullDriver driver(options);
    EXPECT_EQ(driver.GetBufferSize(), 512);
    driver.SetBufferSize(100);
    EXPECT_EQ(driver.GetChosenBufferSize(), 512);
    EXPECT_EQ(options.nullBufferSize, 512);
    driver.SetBufferSize(9000);
    EXPECT_EQ(driver.GetChosenBufferSize(), 8192);
    EXPECT_EQ(options.nullBufferSize, 8192);
    driver.SetBufferSize(1000);
    EXPECT_EQ(driver.GetChosenBufferSize(), 512);
    driver.SetBufferSize(4607);
    EXPECT_EQ(driver.GetChosenBufferSize(), 4096);

    // Read from the options, a small value falls back to the default.
    struct Case {
        int32_t stored, expected;
    };
    for (Case c : {Case{100, 2048}, Case{-3, 2048}, Case{9000, 8192}, Case{1000, 512}, Case{2047, 1536}, Case{8192, 8192}}) {
        CStudioOptions stored = NullOptions(c.stored);
        CNullDriver fromOptions(stored);
        EXPECT_EQ(fromOptions.GetBufferSize(), c.expected) << c.stored;
        EXPECT_EQ(fromOptions.GetChosenBufferSize(), c.expected) << c.stored;
        EXPECT_EQ(stored.nullBufferSize, c.expected) << c.stored;
    }
}

TEST_F(NullDriverTest, AnotherStoredDriverMeansTheDefaultBufferSize)
{
    for (int32_t choice : {1, 2, -1}) {
        CStudioOptions options = NullOptions(4096);
        options.outputDriver = choice;
        CNullDriver driver(options);
        EXPECT_EQ(driver.GetBufferSize(), 2048) << choice;
        EXPECT_EQ(options.nullBufferSize, 2048) << choice;
    }
}

TEST_F(NullDriverTest, TheStoredFormatSetsRateAndChannels)
{
    CStudioOptions options = NullOptions(512, 0x40000);
    CNullDriver driver(options);
    EXPECT_EQ(driver.GetSampleRate(), 96000);
    EXPECT_EQ(driver.GetChannels(), 1);
    EXPECT_STREQ(driver.GetName(), "Null");
    EXPECT_TRUE(driver.IsAvailable());
    EXPECT_EQ(driver.GetSupportedFormats(), 0xFFFFFu);
    EXPECT_EQ(driver.NearestFormat(0x12345), 0x12345u);
    EXPECT_EQ(driver.GetDeviceCount(), 1);
    EXPECT_EQ(driver.GetCurrentDevice(), 0);

    CStudioOptions broken = NullOptions(512, 0);
    EXPECT_EQ(RaisedText([](CStudioOptions& o) { CNullDriver d(o); }, broken), "Invalid Format");

    // A format change is stored at once and applied at the next Stop; an
    // empty mask is refused.
    driver.SetFormat(0x800);
    EXPECT_EQ(options.nullFormat, 0x800);
    EXPECT_EQ(driver.GetSampleRate(), 96000);
    try {
        driver.SetFormat(0);
        ADD_FAILURE() << "nothing raised";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "Invalid Format");
    }
    EXPECT_EQ(driver.GetFormat(), 0x800u);
    driver.Stop();
    EXPECT_EQ(driver.GetSampleRate(), 44100);
    EXPECT_EQ(driver.GetChannels(), 2);
}

TEST_F(NullDriverTest, WithoutACallbackTheBuffersGetSilence)
{
    static std::atomic<int> checked{0};
    static std::atomic<bool> silent{false};
    checked = 0;
    CStudioOptions options = NullOptions(512);
    CNullDriver driver(options);
    // Dirty the buffers first, then take the callback away: the driver's
    // own silence must overwrite them.
    calls.delayMs = 0;
    driver.SetCallback(CountingCallback);
    driver.Start();
    ASSERT_TRUE(WaitFor(calls.count, 1));
    driver.SetCallback(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // many 11 ms periods
    driver.SetCallback([](int32_t channels, double** buffers, int32_t frames) {
        if (checked.load() == 0)
            silent = buffers[0][0] == 0.0 && buffers[1][frames - 1] == 0.0;
        checked.fetch_add(1);
    });
    ASSERT_TRUE(WaitFor(checked, 1));
    driver.Stop();
    EXPECT_TRUE(silent.load());
}

TEST_F(NullDriverTest, StopReturnsOnlyAfterTheBlockInProgress)
{
    CStudioOptions options = NullOptions(512);
    CNullDriver driver(options);
    calls.delayMs = 60;
    driver.SetCallback(CountingCallback);
    driver.Start();
    for (int i = 0; i < 5000 && !calls.inBlock.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(calls.inBlock.load());
    driver.Stop();
    EXPECT_FALSE(calls.inBlock.load());
    const int delivered = calls.count.load();
    EXPECT_GE(delivered, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(calls.count.load(), delivered); // no block after Stop
}

TEST_F(NullDriverTest, ABufferSizeChosenWhileStartedAppliesAfterStopAndStart)
{
    CStudioOptions options = NullOptions(512);
    CNullDriver driver(options);
    driver.SetCallback(CountingCallback);
    driver.Start();
    ASSERT_TRUE(WaitFor(calls.count, 2));
    driver.SetBufferSize(1024);
    ASSERT_TRUE(WaitFor(calls.count, 4));
    EXPECT_EQ(calls.frames.load(), 512);
    EXPECT_EQ(driver.GetBufferSize(), 512);
    driver.Stop();
    EXPECT_EQ(driver.GetBufferSize(), 1024);
    const int before = calls.count.load();
    driver.Start();
    ASSERT_TRUE(WaitFor(calls.count, before + 2));
    driver.Stop();
    EXPECT_EQ(calls.frames.load(), 1024);
    EXPECT_EQ(calls.channels.load(), 2);
}

TEST_F(NullDriverTest, ABlockThatOverranIsFollowedAtOnce)
{
    // 8192 frames at 96 kHz: an 85 ms period; each block takes 120 ms.
    CStudioOptions options = NullOptions(8192, 0x80000);
    CNullDriver driver(options);
    ASSERT_EQ(driver.GetSampleRate(), 96000);
    calls.delayMs = 120;
    driver.SetCallback(CountingCallback);
    driver.Start();
    ASSERT_TRUE(WaitFor(calls.count, 4, 10000));
    driver.Stop();
    // Without the overrun rule the driver would sleep for a period (or,
    // with unsigned arithmetic gone wrong, for weeks).
    EXPECT_LT(calls.largestGapNs.load(), 40'000'000) << calls.largestGapNs.load() / 1e6 << " ms";
}

TEST_F(NullDriverTest, BlocksArePacedByThePeriod)
{
    // 2048 frames at 44.1 kHz: 46 ms per block.
    CStudioOptions options = NullOptions(2048);
    CNullDriver driver(options);
    driver.SetCallback(CountingCallback);
    auto start = std::chrono::steady_clock::now();
    driver.Start();
    ASSERT_TRUE(WaitFor(calls.count, 6, 10000));
    driver.Stop();
    double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // Five full periods at least separate the first and the sixth block.
    EXPECT_GE(elapsed, 5 * 46 - 2);
}

TEST(OutputManagerTest, AFreshInstallationPicksANullDriverWhenNoDeviceCanRun)
{
    CStudioOptions options;
    ASSERT_EQ(options.outputDriver, -1);
    {
        CAudioOutputManager manager(options);
        EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::NULL_DRIVER);
        EXPECT_EQ(options.outputDriver, 0);
        EXPECT_STREQ(manager.GetDriver(0)->GetName(), "Null");
        EXPECT_STREQ(manager.GetDriver(1)->GetName(), "Wave Out");
        EXPECT_STREQ(manager.GetDriver(2)->GetName(), "ASIO");
        EXPECT_FALSE(manager.GetDriver(1)->IsAvailable());
        EXPECT_FALSE(manager.GetDriver(2)->IsAvailable());
        EXPECT_EQ(manager.GetDriver(3), nullptr);
    }
    // Out of range: chosen again.
    options.outputDriver = 7;
    {
        CAudioOutputManager manager(options);
        EXPECT_EQ(manager.GetCurrentIndex(), 0);
    }
}

TEST(OutputManagerTest, AStoredChoiceIsTakenAsItIsAndStoredAgain)
{
    ResetCalls();
    CStudioOptions options;
    options.outputDriver = 2;
    {
        CAudioOutputManager manager(options);
        EXPECT_EQ(manager.GetCurrentIndex(), 2);
        // A driver that cannot run is never started.
        manager.StartOutput(CountingCallback);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(calls.count.load(), 0);
        manager.SelectDriver(0);
        EXPECT_EQ(manager.GetCurrentIndex(), 0);
        options.outputDriver = 1; // whatever happened meanwhile, destruction stores the choice
        // Selecting starts the new driver with the render entry, which
        // renders nothing without a studio.
        EXPECT_EQ(manager.GetCurrentDriver(), manager.GetDriver(0));
        manager.StopOutput();
    }
    EXPECT_EQ(options.outputDriver, 0);
}
