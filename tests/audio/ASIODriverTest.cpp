#include "audio/CStudioOptions.h"
#include "audio/CASIODriver.h"
#include "audio/CASIODriverList.h"
#include "audio/drivers/test/CTestASIODriver.h"
#include "framework/Errors.h"
#include "support/AudioTestEnvironment.h"
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

const bool environment = testenv::UseNoDevices();

const char* const kLibrary = VELMORA_TEST_DIR "/velmora-test-asio.so";

// Class ids of the test drivers: ...-0000000000NN.
std::string ClassText(int n)
{
    return FormatText("{5E1D0C7B-3A29-4F18-8E67-%012X}", n);
}

platform::ClassId ClassOf(int n)
{
    platform::ClassId id{};
    platform::ClassIdFromString(ClassText(n), &id);
    return id;
}

// A registry line pair for test driver n under the name `key`.
std::string DriverEntry(const std::string& key, int n, const std::string& description = "",
                        const std::string& library = kLibrary)
{
    std::string text = "[HKEY_LOCAL_MACHINE\\software\\asio\\" + key + "]\n\"clsid\"=\"" + ClassText(n) + "\"\n";
    if (!description.empty())
        text += "\"description\"=\"" + description + "\"\n";
    text += "[HKEY_CLASSES_ROOT\\clsid\\" + ClassText(n) + "\\InprocServer32]\n@=\"" + library + "\"\n";
    return text;
}

std::atomic<int> renders{0};
std::atomic<int> renderChannels{0};
std::atomic<int> renderFrames{0};
constexpr double kPattern[] = {1.0, -1.0, 0.5, -0.5, 0.0, 2.0, -3.0, 0.25};

// Channel c, frame i: the pattern, scaled down by (c + 1) on channels past
// the first so that every channel differs.
void PatternCallback(int32_t channels, double** buffers, int32_t frames)
{
    renderChannels = channels;
    renderFrames = frames;
    for (int32_t c = 0; c < channels; ++c)
        for (int32_t i = 0; i < frames; ++i)
            buffers[c][i] = kPattern[i % 8] / (c == 0 ? 1 : c + 1);
    ++renders;
}

class ASIODriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestASIOForget();
        folder = testenv::UsePrivateConfigFolder("asio");
        std::filesystem::create_directories(folder + "/Velmora Studio");
        renders = 0;
        renderChannels = 0;
        options.outputDriver = 2;
    }

    void Registry(const std::string& text) { std::ofstream(folder + "/Velmora Studio/AsioDrivers.reg") << text; }

    static void Configure(int n, const TestASIOConfig& config)
    {
        platform::ClassId id = ClassOf(n);
        TestASIOConfigure(&id, &config);
    }
    static TestASIORecord Record(int n)
    {
        TestASIORecord record;
        platform::ClassId id = ClassOf(n);
        TestASIORecordOf(&id, &record);
        return record;
    }

    static bool WaitForSwitches(int n, int count)
    {
        for (int waited = 0; waited < 10000; ++waited) {
            if (Record(n).switches >= count)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    std::string folder;
    CStudioOptions options;
    testenv::CShownMessages shown;
};

} // namespace

TEST_F(ASIODriverTest, TheListFollowsTheRegistryAndLeavesOutWhatCannotMakeADriver)
{
    std::string longName(200, 'x');
    Registry(DriverEntry("First", 1, "Alpha") + DriverEntry("Bravo", 2) +
             // a class key that does not exist
             "[HKEY_LOCAL_MACHINE\\software\\asio\\NoClass]\n\"clsid\"=\"" + ClassText(3) + "\"\n" +
             DriverEntry("NoLibrary", 4, "", "/nonexistent/driver.so") +
             DriverEntry("NoFactory", 5, "", "libc.so.6") + DriverEntry("Long", 6, longName));
    CASIODriverList list;
    ASSERT_EQ(list.Count(), 3);
    EXPECT_STREQ(list.Name(0), "Alpha");
    EXPECT_STREQ(list.Name(1), "Bravo"); // no description: the key's name
    EXPECT_EQ(std::string(list.Name(2)), longName.substr(0, 127));
    EXPECT_EQ(list.Name(3), nullptr);
    EXPECT_EQ(list.ServerPath(0), kLibrary);
}

TEST_F(ASIODriverTest, AMissingOrMalformedRegistryListsNothing)
{
    {
        CASIODriverList list;
        EXPECT_EQ(list.Count(), 0);
    }
    Registry(DriverEntry("First", 1, "Alpha") + "this line is no registry line\n");
    CASIODriverList list;
    EXPECT_EQ(list.Count(), 0);

    CASIODriver driver(options);
    EXPECT_FALSE(driver.IsAvailable());
    EXPECT_EQ(driver.GetDriver(), -1);
    EXPECT_EQ(driver.GetSampleRate(), 44100);
    EXPECT_EQ(driver.GetBufferSize(), 512);
    EXPECT_EQ(driver.GetRate(), 4);
    EXPECT_EQ(driver.GetChannels(), 0);
    driver.Start(); // nothing to start
    driver.Stop();
}

TEST_F(ASIODriverTest, OpeningByIdReportsItsThreeErrors)
{
    Registry(DriverEntry("A", 1, "Alpha") + DriverEntry("B", 2, "Bravo"));
    CASIODriverList list;
    IASIODriver* driver = nullptr;
    EXPECT_EQ(list.OpenDriver(0, nullptr), -5001);
    EXPECT_EQ(list.OpenDriver(2, &driver), -5003);
    EXPECT_EQ(list.OpenDriver(-1, &driver), -5003);
    ASSERT_EQ(list.OpenDriver(1, &driver), 0);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(list.OpenDriver(1, &driver), -5002);
    list.CloseDriver(1);
    EXPECT_EQ(Record(2).released, 1);

    // Without a current driver every call answers "not present".
    EXPECT_FALSE(list.LoadDriver("Charlie"));
    EXPECT_FALSE(list.HasCurrentDriver());
    int32_t inputs, outputs;
    EXPECT_EQ(list.Current().getChannels(&inputs, &outputs), ASE_NotPresent);
    EXPECT_EQ(list.Current().outputReady(), ASE_NotPresent);
    ASSERT_TRUE(list.LoadDriver("Alpha"));
    EXPECT_EQ(list.Current().getChannels(&inputs, &outputs), ASE_OK);
    EXPECT_EQ(outputs, 2);
    // Loading another closes the current one first.
    ASSERT_TRUE(list.LoadDriver("Bravo"));
    EXPECT_EQ(Record(1).released, 1);
}

TEST_F(ASIODriverTest, AStoredDriverIndexOutsideTheListChoosesTheFirst)
{
    Registry(DriverEntry("A", 1, "Alpha") + DriverEntry("B", 2, "Bravo"));
    TestASIOConfig second;
    second.outputs = 4;
    Configure(2, second);
    options.asioDriver = 5;
    CASIODriver driver(options);
    EXPECT_TRUE(driver.IsAvailable());
    EXPECT_EQ(driver.GetDriverCount(), 2);
    EXPECT_EQ(driver.GetDriver(), 0);
    EXPECT_EQ(driver.GetChannels(), 2);
    options.asioDriver = 1;
    CASIODriver chosen(options);
    EXPECT_EQ(chosen.GetDriver(), 1);
    EXPECT_EQ(chosen.GetChannels(), 4);
    EXPECT_STREQ(chosen.GetDriverName(1), "Bravo");
}

TEST_F(ASIODriverTest, ProbingRecordsEachDriverAndClosesItAgain)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    TestASIOConfig config;
    config.rateFlags = 4 | 8;
    config.minimumSize = 64;
    config.maximumSize = 2048;
    config.preferredSize = 256;
    config.granularity = 32;
    config.outputs = 6;
    Configure(1, config);
    CASIODriver driver(options);
    EXPECT_EQ(driver.GetRateFlags(0), 4 | 8);
    EXPECT_EQ(driver.GetMinimumBufferSize(), 64);
    EXPECT_EQ(driver.GetMaximumBufferSize(), 2048);
    EXPECT_EQ(driver.GetPreferredBufferSize(), 256);
    EXPECT_EQ(driver.GetGranularity(), 32);
    EXPECT_EQ(driver.GetOutputChannels(), 6);
    // While stopped no driver object exists.
    TestASIORecord record = Record(1);
    EXPECT_GE(record.created, 1);
    EXPECT_EQ(record.created, record.released);
}

TEST_F(ASIODriverTest, RateChoice)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    TestASIOConfig config;
    config.rateFlags = 4 | 8;
    Configure(1, config);
    // Not supported: the highest supported rate.
    options.asioRate = 16;
    EXPECT_EQ(CASIODriver(options).GetSampleRate(), 48000);
    EXPECT_EQ(CASIODriver(options).GetRate(), 8);
    options.asioRate = 4;
    EXPECT_EQ(CASIODriver(options).GetSampleRate(), 44100);
    options.asioRate = 12; // not one rate
    EXPECT_EQ(CASIODriver(options).GetSampleRate(), 48000);

    // None of the five: the driver's own rate, rate bit 0.
    config.rateFlags = 0;
    config.currentRate = 32000;
    Configure(1, config);
    CASIODriver own(options);
    EXPECT_EQ(own.GetRate(), 0);
    EXPECT_EQ(own.GetSampleRate(), 32000);
    EXPECT_EQ(Record(1).created, Record(1).released);
}

TEST_F(ASIODriverTest, BufferSizeChoice)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    TestASIOConfig config;
    config.minimumSize = 64;
    config.maximumSize = 2048;
    config.preferredSize = 256;
    Configure(1, config);
    for (auto [stored, expected] : {std::pair{4096, 256}, {0, 256}, {63, 256}, {64, 64}, {1000, 1000}, {2048, 2048}}) {
        options.asioBufferSize = stored;
        CASIODriver driver(options);
        EXPECT_EQ(driver.GetBufferSize(), expected) << stored;
        EXPECT_EQ(driver.GetChosenBufferSize(), expected) << stored;
    }
    // Without a preferred size: the maximum.
    config.preferredSize = 0;
    Configure(1, config);
    options.asioBufferSize = 4096;
    EXPECT_EQ(CASIODriver(options).GetBufferSize(), 2048);
}

TEST_F(ASIODriverTest, SettersStoreTheirValues)
{
    Registry(DriverEntry("A", 1, "Alpha") + DriverEntry("B", 2, "Bravo"));
    TestASIOConfig config;
    config.rateFlags = 4 | 8;
    Configure(1, config);
    CASIODriver driver(options);
    driver.SetBufferSize(128);
    EXPECT_EQ(driver.GetBufferSize(), 128);
    EXPECT_EQ(options.asioBufferSize, 128);
    driver.SetRate(8);
    EXPECT_EQ(options.asioRate, 8);
    EXPECT_EQ(driver.GetSampleRate(), 48000); // the studio is prepared for it
    driver.SetRate(16); // not supported: kept for later, the rate stays
    EXPECT_EQ(driver.GetRate(), 16);
    EXPECT_EQ(driver.GetSampleRate(), 48000);
    driver.SetDriver(1);
    EXPECT_EQ(options.asioDriver, 1);
    EXPECT_EQ(driver.GetDriver(), 1);

    EXPECT_EQ(driver.DescribeRate(8), "48.0kHz");
    EXPECT_EQ(driver.DescribeRate(1), "11.0kHz");
    EXPECT_EQ(driver.DecodeRate(16).sampleRate, 96000);
    EXPECT_EQ(driver.DecodeRate(2).bits, 16);
    EXPECT_TRUE(driver.DecodeRate(2).stereo);
    EXPECT_EQ(driver.DecodeRate(0).sampleRate, driver.GetSampleRate());
    try {
        driver.DecodeRate(32);
        ADD_FAILURE() << "nothing raised";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "Invalid Format");
    }
}

TEST_F(ASIODriverTest, AnEightOutputDeviceAsksTheStudioForEightChannels)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    TestASIOConfig config;
    config.outputs = 8;
    Configure(1, config);
    CASIODriver driver(options);
    EXPECT_EQ(driver.GetChannels(), 8);
    driver.SetCallback(PatternCallback);
    driver.Start();
    ASSERT_TRUE(WaitForSwitches(1, 3));
    driver.Stop();
    EXPECT_EQ(renderChannels.load(), 8);
    EXPECT_EQ(renderFrames.load(), 256);
    TestASIORecord record = Record(1);
    EXPECT_EQ(record.bufferChannels, 8);
    EXPECT_EQ(record.bufferSize, 256);
    EXPECT_EQ(record.channelNumbers, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(ASIODriverTest, StartAndStopLoadTheChosenDriverAndReleaseIt)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    CASIODriver driver(options);
    const TestASIORecord probed = Record(1);
    driver.SetCallback(PatternCallback);
    driver.Start();
    ASSERT_TRUE(WaitForSwitches(1, 4));
    TestASIORecord running = Record(1);
    EXPECT_EQ(running.created, probed.created + 1);
    EXPECT_EQ(running.released, probed.released);
    EXPECT_EQ(running.starts, 1);
    EXPECT_EQ(running.ratesSet, (std::vector<double>{44100}));
    driver.Stop();
    TestASIORecord stopped = Record(1);
    EXPECT_EQ(stopped.stops, 1);
    EXPECT_EQ(stopped.disposes, 1);
    EXPECT_FALSE(stopped.disposedWhileRunning);
    EXPECT_EQ(stopped.created, stopped.released);
    // Every switch told the driver its output was ready.
    EXPECT_EQ(stopped.outputReadies, stopped.switches + 1);
    const int rendered = renders.load();
    EXPECT_EQ(rendered, stopped.switches);

    driver.Start();
    ASSERT_TRUE(WaitForSwitches(1, stopped.switches + 3));
    driver.Stop();
    EXPECT_EQ(Record(1).starts, 2);
    EXPECT_EQ(Record(1).created, Record(1).released);
}

TEST_F(ASIODriverTest, ADriverThatFailsToInitialiseIsReportedAndStaysSilent)
{
    Registry(DriverEntry("A", 1, "Alpha"));
    TestASIOConfig config;
    config.failInit = true;
    Configure(1, config);
    CASIODriver driver(options);
    EXPECT_TRUE(driver.IsAvailable());
    EXPECT_EQ(driver.GetChannels(), 0); // nothing could be probed
    EXPECT_EQ(driver.GetRateFlags(0), 0);
    driver.SetCallback(PatternCallback);
    driver.Start();
    EXPECT_EQ(shown.Shown(), std::vector<std::string>{"ASIO: Driver <Alpha> Not Started <Test Device Missing>"});
    driver.Stop();
    EXPECT_EQ(Record(1).switches, 0);
    EXPECT_EQ(renders.load(), 0);
    EXPECT_EQ(Record(1).created, Record(1).released);
}

// Each sample type gets the pattern in its own form.
TEST_F(ASIODriverTest, ChannelsAreConvertedByTheirSampleType)
{
    struct Case {
        int32_t type;
        int bytes;
    };
    int n = 10;
    for (Case sampleCase : {Case{ASIOSTInt32LSB, 4}, Case{ASIOSTInt16LSB, 2}, Case{ASIOSTInt16MSB, 2},
                            Case{ASIOSTFloat32LSB, 4}}) {
        ++n;
        Registry(DriverEntry("A", n, "Alpha"));
        TestASIOConfig config;
        config.sampleType = sampleCase.type;
        config.preferredSize = 64;
        Configure(n, config);
        CASIODriver driver(options);
        driver.SetCallback(PatternCallback);
        driver.Start();
        ASSERT_TRUE(WaitForSwitches(n, 4));
        driver.Stop();
        TestASIORecord record = Record(n);
        ASSERT_GE(record.halves.size(), 4u);
        const int32_t expected32[] = {2147483647, -2147483647 - 1, 1073741823, -1073741824, 0, 2147483647,
                                      -2147483647 - 1, 536870911};
        const int16_t expected16[] = {32767, -32768, 16383, -16384, 0, 32767, -32768, 8191};
        for (const std::vector<uint8_t>& given : record.halves) {
            ASSERT_EQ(given.size(), 2u * 64 * static_cast<size_t>(sampleCase.bytes));
            for (size_t i = 0; i < 64; ++i) {
                const uint8_t* at = given.data() + i * static_cast<size_t>(sampleCase.bytes);
                if (sampleCase.type == ASIOSTInt32LSB) {
                    int32_t value;
                    std::memcpy(&value, at, 4);
                    ASSERT_EQ(value, expected32[i % 8]) << i;
                } else if (sampleCase.type == ASIOSTInt16LSB) {
                    ASSERT_EQ(static_cast<int16_t>(at[0] | at[1] << 8), expected16[i % 8]) << i;
                } else if (sampleCase.type == ASIOSTInt16MSB) {
                    ASSERT_EQ(static_cast<int16_t>(at[0] << 8 | at[1]), expected16[i % 8]) << i;
                } else {
                    for (int b = 0; b < 4; ++b)
                        ASSERT_EQ(at[b], kTestASIOMarker) << i;
                }
            }
            // The second channel is the pattern halved.
            if (sampleCase.type == ASIOSTInt16LSB) {
                const uint8_t* second = given.data() + 64 * 2;
                ASSERT_EQ(static_cast<int16_t>(second[0] | second[1] << 8), 16383);
            }
        }
    }
}
