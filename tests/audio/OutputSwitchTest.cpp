// The output manager with all three real drivers, switching while a studio
// plays: "Wave Out" into a capture file, "ASIO" through the test driver,
// then "Null".
#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CWaveOutDriver.h"
#include "audio/drivers/test/CTestASIODriver.h"
#include "framework/Errors.h"
#include "platform/OsWaveOut.h"
#include "studio/RenderEntry.h"
#include "support/AudioTestEnvironment.h"
#include "support/StudioFixture.h"
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

const bool environment = testenv::UseTestDevices();
constexpr const char* kClass = "{5E1D0C7B-3A29-4F18-8E67-0000000000AA}";

TestASIORecord Record()
{
    platform::ClassId id{};
    platform::ClassIdFromString(kClass, &id);
    TestASIORecord record;
    TestASIORecordOf(&id, &record);
    return record;
}

template <typename Condition>
bool WaitUntil(Condition condition)
{
    for (int waited = 0; waited < 10000; ++waited) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

int16_t LastSample(const std::vector<unsigned char>& bytes, size_t fromEnd)
{
    return static_cast<int16_t>(bytes[bytes.size() - 2 * fromEnd] | bytes[bytes.size() - 2 * fromEnd + 1] << 8);
}

} // namespace

TEST(OutputSwitchTest, SelectDriverMovesTheRunningStudioFromDriverToDriver)
{
    std::string config = testenv::UsePrivateConfigFolder("switch");
    std::filesystem::create_directories(config + "/Velmora Studio");
    std::ofstream(config + "/Velmora Studio/AsioDrivers.reg")
        << "[HKEY_LOCAL_MACHINE\\software\\asio\\Test]\n\"clsid\"=\"" << kClass << "\"\n"
        << "[HKEY_CLASSES_ROOT\\clsid\\" << kClass << "\\InprocServer32]\n@=\"" VELMORA_TEST_DIR
        << "/velmora-test-asio.so\"\n";
    platform::ClassId id{};
    platform::ClassIdFromString(kClass, &id);
    TestASIOConfig asio;
    asio.sampleType = ASIOSTInt16LSB;
    asio.rateFlags = 8; // 48 kHz only
    TestASIOConfigure(&id, &asio);
    const std::string capture = testenv::PrivateFolder("switch-capture") + "/capture.raw";
    setenv("VELMORA_TEST_PCM_FILE", capture.c_str(), 1);

    CStudioOptions options;
    options.outputDriver = 1;
    options.waveOutBufferSize = 2048;
    options.waveOutDevice = testenv::WaveOutDeviceIndex("velmora_test");
    CStudioFixture fixture(22050, 128);
    CStudio& studio = *fixture.studio;
    studio.NewProject();
    CMachineContainer* level = studio.AddMachineOfType(fixture.level, 0, 0);
    CStudioFixture::Machine<CLevelMachine>(level)->left = 0.5;
    CStudioFixture::Machine<CLevelMachine>(level)->right = -0.25;
    ASSERT_NE(studio.Connect(CStudioFixture::Port(level, 1), CStudioFixture::Port(studio.GetMaster(), 0), 1.0),
              nullptr);

    CAudioOutputManager manager(options);
    ASSERT_EQ(manager.GetCurrentIndex(), CAudioOutputManager::WAVE_OUT_DRIVER);
    manager.SetStudio(&studio);
    SetRenderStudio(&studio);
    manager.StartOutput(RenderEntry);
    EXPECT_EQ(fixture.host.GetSampleRate(), 44100);
    EXPECT_EQ(fixture.host.GetBlockSize(), 2048);
    auto captured = [&] { return std::filesystem::exists(capture) ? std::filesystem::file_size(capture) : 0u; };
    ASSERT_TRUE(WaitUntil([&] { return captured() >= 4 * 2048 * 4; }));

    manager.SelectDriver(CAudioOutputManager::ASIO_DRIVER);
    const auto waveOutBytes = captured();
    EXPECT_EQ(fixture.host.GetSampleRate(), 48000);
    EXPECT_EQ(fixture.host.GetBlockSize(), 256);
    ASSERT_TRUE(WaitUntil([&] { return Record().halves.size() >= 16; }));
    EXPECT_EQ(captured(), waveOutBytes); // "Wave Out" is stopped

    manager.SelectDriver(CAudioOutputManager::NULL_DRIVER);
    EXPECT_EQ(fixture.host.GetBlockSize(), 2048); // "Null" was not the stored choice
    EXPECT_EQ(fixture.host.GetSampleRate(), 44100);
    const TestASIORecord asioDone = Record();
    EXPECT_EQ(asioDone.created, asioDone.released);
    EXPECT_EQ(asioDone.stops, 1);
    EXPECT_EQ(asioDone.bufferChannels, 2);
    const int64_t before = fixture.host.GetPosition();
    ASSERT_TRUE(WaitUntil([&] { return fixture.host.GetPosition() >= before + 3 * 2048; }));
    manager.StopOutput();
    SetRenderStudio(nullptr);

    // Each device got the studio's sound: the level machine's left and
    // right through the master (at full volume once its glide is done).
    std::ifstream file(capture, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LastSample(bytes, 2), 16383);
    EXPECT_EQ(LastSample(bytes, 1), -8192);
    const std::vector<uint8_t>& half = asioDone.halves.back();
    EXPECT_EQ(static_cast<int16_t>(half[0] | half[1] << 8), 16383);
    EXPECT_EQ(static_cast<int16_t>(half[512] | half[513] << 8), -8192);
}
