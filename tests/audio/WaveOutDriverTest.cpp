#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CWaveOutDriver.h"
#include "framework/Errors.h"
#include "platform/OsWaveOut.h"
#include "support/AudioTestEnvironment.h"
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

const bool environment = testenv::UseTestDevices() && !testenv::UsePrivateConfigFolder("waveout-driver").empty();

CStudioOptions WaveOutOptions(const char* device, FormatMask format = 0x800, int32_t bufferSize = 2048)
{
    CStudioOptions options;
    options.outputDriver = 1;
    options.waveOutDevice = testenv::WaveOutDeviceIndex(device);
    options.waveOutFormat = static_cast<int32_t>(format);
    options.waveOutBufferSize = bufferSize;
    return options;
}

// The render callbacks below; one driver at a time uses them.
std::atomic<int> blocks{0};
std::atomic<int> lastChannels{0};
std::atomic<int> lastFrames{0};
constexpr double kPattern[] = {1.0, -1.0, 0.5, -0.5, 0.0, 2.0, -3.0, 0.25};
constexpr int kPatternLength = 8;

// Left: the pattern; right: the pattern negated.
void PatternCallback(int32_t channels, double** buffers, int32_t frames)
{
    lastChannels = channels;
    lastFrames = frames;
    for (int32_t i = 0; i < frames; ++i) {
        buffers[0][i] = kPattern[i % kPatternLength];
        if (channels > 1)
            buffers[1][i] = -kPattern[i % kPatternLength];
    }
    ++blocks;
}

// Every sample of block k is k / 1000.
void CountingCallback(int32_t channels, double** buffers, int32_t frames)
{
    const double value = blocks.fetch_add(1) / 1000.0;
    for (int32_t j = 0; j < channels; ++j)
        for (int32_t i = 0; i < frames; ++i)
            buffers[j][i] = value;
}

bool WaitForBlocks(int count)
{
    for (int waited = 0; waited < 10000 && blocks.load() < count; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return blocks.load() >= count;
}

class WaveOutDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GE(testenv::WaveOutDeviceIndex("velmora_test"), 0);
        capture = testenv::PrivateFolder("waveout-driver-capture") + "/capture.raw";
        setenv("VELMORA_TEST_PCM_FILE", capture.c_str(), 1);
        blocks = 0;
    }

    std::vector<unsigned char> Captured() const
    {
        std::ifstream file(capture, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string capture;
    testenv::CShownMessages shown;
};

int16_t Sample16(const std::vector<unsigned char>& bytes, size_t index)
{
    int16_t value;
    std::memcpy(&value, bytes.data() + 2 * index, 2);
    return value;
}

} // namespace

TEST_F(WaveOutDriverTest, BufferSizesFromTheOptionsAndFromTheSetter)
{
    for (auto [stored, expected] : {std::pair{1000, 8192}, {2047, 8192}, {2048, 2048}, {5000, 4608}, {20000, 16384}}) {
        CStudioOptions options = WaveOutOptions("velmora_test", 0x800, stored);
        CWaveOutDriver driver(options);
        EXPECT_EQ(driver.GetChosenBufferSize(), expected) << stored;
        EXPECT_EQ(driver.GetBufferSize(), expected) << stored;
        EXPECT_EQ(options.waveOutBufferSize, expected) << stored;
    }
    CStudioOptions options = WaveOutOptions("velmora_test");
    CWaveOutDriver driver(options);
    for (auto [set, expected] : {std::pair{1000, 2048}, {5000, 4608}, {20000, 16384}, {16383, 15872}}) {
        driver.SetBufferSize(set);
        EXPECT_EQ(driver.GetChosenBufferSize(), expected) << set;
        EXPECT_EQ(options.waveOutBufferSize, expected) << set;
    }
    // The active size changes only at the next Stop.
    EXPECT_EQ(driver.GetBufferSize(), 2048);
    driver.Stop();
    EXPECT_EQ(driver.GetBufferSize(), 15872);
}

TEST_F(WaveOutDriverTest, WithAnotherDriverChosenTheStoredSettingsAreReplaced)
{
    CStudioOptions options = WaveOutOptions("velmora_mono", 0x800, 4096);
    options.outputDriver = 0;
    CWaveOutDriver driver(options);
    EXPECT_EQ(driver.GetDevice(), 0);
    EXPECT_EQ(driver.GetChosenBufferSize(), 8192);
    EXPECT_EQ(options.waveOutBufferSize, 8192);
    EXPECT_TRUE(driver.IsAvailable());
    EXPECT_STREQ(driver.GetName(), "Wave Out");
}

TEST_F(WaveOutDriverTest, AStoredDeviceOutsideTheListFallsBackToTheFirst)
{
    for (int32_t stored : {static_cast<int32_t>(platform::WaveOutGetNumDevs()), 99, -2}) {
        CStudioOptions options = WaveOutOptions("velmora_test");
        options.waveOutDevice = stored;
        CWaveOutDriver driver(options);
        EXPECT_EQ(driver.GetDevice(), 0) << stored;
    }
    CStudioOptions options = WaveOutOptions("velmora_mono");
    CWaveOutDriver driver(options);
    EXPECT_EQ(driver.GetDevice(), testenv::WaveOutDeviceIndex("velmora_mono"));
    EXPECT_STREQ(driver.GetDeviceName(driver.GetDevice()), "velmora_mono");
    EXPECT_EQ(driver.GetDeviceFormats(driver.GetDevice()), 0x55555u);
    EXPECT_EQ(driver.GetDeviceName(-1), nullptr);
    EXPECT_EQ(driver.GetDeviceFormats(driver.GetDeviceCount()), 0u);
}

TEST_F(WaveOutDriverTest, AFormatTheDeviceCannotPlayIsReplacedByTheNearestOne)
{
    // 48000 Hz 16-bit stereo on a mono device: 16-bit mono at 48000.
    CStudioOptions options = WaveOutOptions("velmora_mono", 0x8000);
    CWaveOutDriver driver(options);
    EXPECT_EQ(driver.GetFormat(), 0x4000u);
    EXPECT_EQ(driver.GetSampleRate(), 48000);
    EXPECT_EQ(driver.GetChannels(), 1);
    EXPECT_EQ(driver.NearestFormat(0x10), 0x10u);
    // 22050 Hz 8-bit stereo: 16-bit mono comes before 8-bit mono.
    EXPECT_EQ(driver.NearestFormat(0x20), 0x40u);

    CStudioOptions captureOptions = WaveOutOptions("velmora_test", 0x8000);
    CWaveOutDriver capturing(captureOptions);
    EXPECT_EQ(capturing.GetFormat(), 0x8000u);
    EXPECT_EQ(capturing.NearestFormat(0x20), 0x20u);
    EXPECT_THROW(capturing.SetFormat(0), CError);
    EXPECT_EQ(capturing.GetFormat(), 0x8000u);
    capturing.SetFormat(0x100);
    EXPECT_EQ(captureOptions.waveOutFormat, 0x100);
    capturing.SetDevice(0);
    EXPECT_EQ(captureOptions.waveOutDevice, 0);
}

// Each format plays the pattern; the capture holds exactly its quantisation.
class WaveOutQuantisationTest : public WaveOutDriverTest, public ::testing::WithParamInterface<FormatMask> {};

TEST_P(WaveOutQuantisationTest, TheCaptureHoldsTheQuantisedPattern)
{
    const FormatMask format = GetParam();
    CStudioOptions options = WaveOutOptions("velmora_test", format);
    CWaveOutDriver driver(options);
    const AudioFormat decoded = DecodeFormat(format);
    driver.SetCallback(PatternCallback);
    driver.Start();
    ASSERT_TRUE(WaitForBlocks(4));
    driver.Stop();
    EXPECT_EQ(lastChannels.load(), decoded.stereo ? 2 : 1);
    EXPECT_EQ(lastFrames.load(), 2048);

    const int channels = decoded.stereo ? 2 : 1;
    const std::vector<unsigned char> bytes = Captured();
    const size_t frames = bytes.size() / static_cast<size_t>(channels * decoded.bits / 8);
    ASSERT_GE(frames, 2u * 2048);
    const int16_t expected16[] = {32767, -32768, 16383, -16384, 0, 32767, -32768, 8191};
    const int16_t negated16[] = {-32768, 32767, -16384, 16383, 0, -32768, 32767, -8192};
    const uint8_t expected8[] = {255, 0, 191, 64, 128, 255, 0, 159};
    const uint8_t negated8[] = {0, 255, 64, 191, 128, 0, 255, 96};
    for (size_t i = 0; i < frames; ++i) {
        const size_t p = (i % 2048) % kPatternLength;
        for (int c = 0; c < channels; ++c) {
            const size_t at = i * static_cast<size_t>(channels) + static_cast<size_t>(c);
            if (decoded.bits == 16)
                ASSERT_EQ(Sample16(bytes, at), c == 0 ? expected16[p] : negated16[p]) << "frame " << i;
            else
                ASSERT_EQ(bytes[at], c == 0 ? expected8[p] : negated8[p]) << "frame " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, WaveOutQuantisationTest, ::testing::Values(0x800u, 0x400u, 0x200u, 0x100u));

TEST_F(WaveOutDriverTest, TwoBlocksCirculateUntilStopAndNoneIsRenderedAfter)
{
    CStudioOptions options = WaveOutOptions("velmora_test", 0x800);
    CWaveOutDriver driver(options);
    driver.SetCallback(CountingCallback);
    auto start = std::chrono::steady_clock::now();
    driver.Start();
    ASSERT_TRUE(WaitForBlocks(8));
    driver.Stop();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int rendered = blocks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(blocks.load(), rendered);
    // Real time: the eighth block is rendered when the sixth is done, and
    // all but the device's ring of 100 ms of those six take their time.
    EXPECT_GE(elapsed, (6 * 2048 - 4410) / 44100.0 - 0.02);

    // Every played block is whole and in rendering order; a reset may drop
    // the blocks still queued at Stop.
    const std::vector<unsigned char> bytes = Captured();
    const size_t blockBytes = 2048 * 4;
    const size_t played = bytes.size() / blockBytes;
    EXPECT_GE(played, static_cast<size_t>(rendered) - 2);
    EXPECT_LE(played, static_cast<size_t>(rendered));
    for (size_t b = 0; b < played; ++b) {
        const int16_t expected = static_cast<int16_t>(static_cast<double>(b) / 1000.0 * 32767);
        for (size_t s = 0; s < 2048 * 2; ++s)
            ASSERT_EQ(Sample16(bytes, b * 2048 * 2 + s), expected) << "block " << b;
    }

    // Again after a Stop, with a new size.
    blocks = 0;
    driver.SetBufferSize(4096);
    driver.Stop();
    driver.SetCallback(PatternCallback);
    driver.Start();
    ASSERT_TRUE(WaitForBlocks(3));
    driver.Stop();
    EXPECT_EQ(lastFrames.load(), 4096);
}

TEST_F(WaveOutDriverTest, ADeviceThatFailsToOpenIsReportedAndLeavesTheDriverSilent)
{
    CStudioOptions options = WaveOutOptions("velmora_gone");
    CWaveOutDriver driver(options);
    driver.SetCallback(CountingCallback);
    setenv("VELMORA_TEST_GONE", "hw:77", 1);
    driver.Start();
    unsetenv("VELMORA_TEST_GONE");
    EXPECT_EQ(shown.Shown(), std::vector<std::string>{"WaveOut: waveOutOpen Failed <Error Code 0x6>"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(blocks.load(), 0);
    driver.Stop();

    // Back again: it plays.
    driver.Start();
    ASSERT_TRUE(WaitForBlocks(3));
    driver.Stop();
}

TEST_F(WaveOutDriverTest, AFreshInstallationWithADevicePicksWaveOut)
{
    CStudioOptions options;
    {
        CAudioOutputManager manager(options);
        EXPECT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::WAVE_OUT_DRIVER);
        EXPECT_TRUE(manager.GetCurrentDriver()->IsAvailable());
    }
    EXPECT_EQ(options.outputDriver, 1);
}
