// The null driver running the real render entry on its own thread.
#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "studio/RenderEntry.h"
#include "support/StudioFixture.h"
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include "support/AudioTestEnvironment.h"

namespace {

// No sound device and no low-latency driver: only "Null" can run.
const bool environment = testenv::UseNoDevices() && !testenv::UsePrivateConfigFolder("no-devices").empty();

struct Capture {
    std::mutex lock;
    std::vector<double> left;
    std::vector<double> right;
    int blocks = 0;
    int channels = 0;
    int32_t frames = 0;
};
Capture capture;

// Renders through the studio's entry, then keeps what the driver got.
void CapturingCallback(int32_t channels, double** buffers, int32_t frames)
{
    RenderEntry(channels, buffers, frames);
    std::lock_guard<std::mutex> lock(capture.lock);
    capture.left.insert(capture.left.end(), buffers[0], buffers[0] + frames);
    capture.right.insert(capture.right.end(), buffers[1], buffers[1] + frames);
    capture.blocks++;
    capture.channels = channels;
    capture.frames = frames;
}

} // namespace

TEST(NullDriverLiveTest, RendersTheStudioForASecondAndStopsCleanly)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CStudioFixture fixture(22050, 128); // the driver's settings must win
    CStudio& studio = *fixture.studio;
    studio.NewProject();
    // ramp (mono) -> effect at 0.5 -> master (stereo); an idle machine aside.
    CMachineContainer* ramp = studio.AddMachineOfType(fixture.ramp, 0, 0);
    CMachineContainer* fx = studio.AddMachineOfType(fixture.pass, 0, 0);
    CMachineContainer* idle = studio.AddMachineOfType(fixture.level, 0, 0);
    ASSERT_NE(studio.Connect(CStudioFixture::Port(ramp, 0), CStudioFixture::Port(fx, 0), 1.0), nullptr);
    ASSERT_NE(studio.Connect(CStudioFixture::Port(fx, 1), CStudioFixture::Port(studio.GetMaster(), 0), 0.5), nullptr);

    CAudioOutputManager manager(options);
    manager.SetStudio(&studio);
    SetRenderStudio(&studio);
    auto start = std::chrono::steady_clock::now();
    manager.StartOutput(CapturingCallback);
    EXPECT_EQ(fixture.host.GetSampleRate(), 44100);
    EXPECT_EQ(fixture.host.GetBlockSize(), 512);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    manager.StopOutput();
    const double elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    int blocks;
    {
        std::lock_guard<std::mutex> lock(capture.lock);
        blocks = capture.blocks;
    }
    // Stopped means stopped: no block after StopOutput returned.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    SetRenderStudio(nullptr);
    std::lock_guard<std::mutex> lock(capture.lock);
    EXPECT_EQ(capture.blocks, blocks);

    // 512 frames at 44.1 kHz is an 11 ms period: about 90 blocks a second,
    // never more than the period allows, and not far fewer on a busy machine.
    EXPECT_LE(blocks, elapsedMs / 11.0 + 2);
    EXPECT_GE(blocks, elapsedMs / 11.0 / 3);
    EXPECT_EQ(capture.channels, 2);
    EXPECT_EQ(capture.frames, 512);
    ASSERT_EQ(capture.left.size(), static_cast<size_t>(blocks) * 512);
    // Every frame of the ramp arrived once, in order, at half volume, on
    // both sides.
    for (size_t n = 0; n < capture.left.size(); ++n) {
        ASSERT_EQ(capture.left[n], CRampMachine::Expected(static_cast<int64_t>(n)) * 0.5) << n;
        ASSERT_EQ(capture.right[n], capture.left[n]) << n;
    }
    EXPECT_EQ(fixture.host.GetPosition(), blocks * 512);
    EXPECT_EQ(CStudioFixture::Machine<CTestMachine>(idle)->Processed(), blocks);
    EXPECT_EQ(CStudioFixture::Machine<CTestMachine>(ramp)->blockSize, 512);
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        EXPECT_EQ(c->PendingReleases(), 0);
}

TEST(OutputManagerStudioTest, SelectingADriverHandsOnlyChangedSettingsToTheStudio)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CStudioFixture fixture(44100, 256);
    CStudio& studio = *fixture.studio;
    studio.NewProject();
    auto* machine = CStudioFixture::Machine<CTestMachine>(studio.AddMachineOfType(fixture.level, 0, 0));
    CAudioOutputManager manager(options);
    manager.SetStudio(&studio);
    const int rateCalls = machine->rateCalls;
    const int blockCalls = machine->blockSizeCalls;

    // "Wave Out" without a device: its settings (8192 frames, as another
    // driver was chosen) still reach host and studio, but it is not started.
    manager.SelectDriver(CAudioOutputManager::WAVE_OUT_DRIVER);
    EXPECT_EQ(fixture.host.GetSampleRate(), 44100);
    EXPECT_EQ(fixture.host.GetBlockSize(), 8192);
    EXPECT_EQ(machine->rateCalls, rateCalls); // the rate did not change
    EXPECT_EQ(machine->blockSizeCalls, blockCalls + 1);
    EXPECT_EQ(machine->blockSize, 8192);

    // Back to "Null" at 512 frames; it starts, preparing the studio again.
    manager.SelectDriver(CAudioOutputManager::NULL_DRIVER);
    manager.StopOutput();
    EXPECT_EQ(fixture.host.GetBlockSize(), 512);
    EXPECT_EQ(machine->blockSize, 512);
    EXPECT_EQ(studio.GetMaster()->GetMachine()->ports[0]->audioBuffer->length, 512);
}

// Work handed to StartOutput runs on the prepared studio before the
// driver's first call: a first block rendered there (as `--play` does) and
// the driver's blocks after it are one unbroken stream.
TEST(OutputManagerStudioTest, WorkBeforeTheStartSeesThePreparedStudioAndNoBlockYet)
{
    {
        std::lock_guard<std::mutex> lock(capture.lock);
        capture.left.clear();
        capture.right.clear();
        capture.blocks = 0;
    }
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CStudioFixture fixture(22050, 128);
    CStudio& studio = *fixture.studio;
    studio.NewProject();
    CMachineContainer* ramp = studio.AddMachineOfType(fixture.ramp, 0, 0);
    ASSERT_NE(studio.Connect(CStudioFixture::Port(ramp, 0), CStudioFixture::Port(studio.GetMaster(), 0), 1.0), nullptr);

    CAudioOutputManager manager(options);
    manager.SetStudio(&studio);
    SetRenderStudio(&studio);
    std::vector<double> first[2] = {std::vector<double>(512), std::vector<double>(512)};
    int blocksBefore = -1;
    manager.StartOutput(CapturingCallback, [&] {
        EXPECT_EQ(fixture.host.GetBlockSize(), 512);
        EXPECT_EQ(studio.GetMaster()->GetMachine()->ports[0]->audioBuffer->length, 512);
        std::lock_guard<std::mutex> lock(capture.lock);
        blocksBefore = capture.blocks;
        double* buffers[2] = {first[0].data(), first[1].data()};
        CLockGuard studioLock(studio);
        studio.RenderBlock(2, buffers, 512);
    });
    while (true) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::lock_guard<std::mutex> lock(capture.lock);
        if (capture.blocks >= 4)
            break;
    }
    manager.StopOutput();
    SetRenderStudio(nullptr);
    EXPECT_EQ(blocksBefore, 0);
    std::lock_guard<std::mutex> lock(capture.lock);
    std::vector<double> stream = first[0];
    stream.insert(stream.end(), capture.left.begin(), capture.left.end());
    for (size_t n = 0; n < stream.size(); ++n)
        ASSERT_EQ(stream[n], CRampMachine::Expected(static_cast<int64_t>(n))) << n;
}
