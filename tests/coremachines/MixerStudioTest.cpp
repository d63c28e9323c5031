// The mixer in a studio graph: an effect fed by an aux send and returning
// into the same mixer closes a loop that only the late ports break. The
// render cycle runs it on the worker threads every block.
#include "CoreTestContext.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CEcho.h"
#include "coremachines/CMixer.h"
#include "coremachines/CStereoJoiner.h"
#include "coremachines/CStereoSplitter.h"
#include "support/StudioFixture.h"
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class MixerStudioTest : public ::testing::Test, public CStudioFixture {
protected:
    MixerStudioTest()
    {
        mixerType = new CMixerInfo(&host, &TestTables());
        echoType = new CEchoInfo(&host, &TestTables());
        splitterType = new CStereoSplitterInfo(&host, &TestTables());
        joinerType = new CStereoJoinerInfo(&host, &TestTables());
        for (CMachineInfo* type : {mixerType, echoType, splitterType, joinerType})
            host.RegisterMachineInfo(type);
        studio->NewProject();
    }

    void ExpectSemaphoresAtZero()
    {
        for (CMachineContainer* c = studio->GetFirst(); c; c = c->GetNext())
            ASSERT_EQ(c->PendingReleases(), 0) << c->GetName();
    }

    CMachineInfo* mixerType;
    CMachineInfo* echoType;
    CMachineInfo* splitterType;
    CMachineInfo* joinerType;
};

} // namespace

TEST_F(MixerStudioTest, AnEffectOnASendReturnsIntoTheSameBlock)
{
    CMachineContainer* source = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* mixer = studio->AddMachineOfType(mixerType, 0, 0);
    CMachineContainer* echo = studio->AddMachineOfType(echoType, 0, 0);
    auto* desk = Machine<CMixer>(mixer);
    // Track 1 and bus 1 at unity with flat bands; the whole track sent.
    for (int32_t p = CMixer::LOW; p <= CMixer::HIGH; ++p) {
        desk->SetParameter(CMixer::TrackParameter(0, p), 1.0);
        desk->SetParameter(CMixer::BusParameter(0, p), 1.0);
    }
    desk->SetParameter(CMixer::TrackParameter(0, CMixer::LEVEL), 0.8);
    desk->SetParameter(CMixer::BusParameter(0, CMixer::LEVEL), 0.8);
    desk->SetParameter(CMixer::TrackParameter(0, CMixer::SEND1), 1.0);
    // The echo passes a quarter of its input at once (line 1 dry only).
    Machine<CEcho>(echo)->SetParameter(CEcho::WET_LEVEL, 0.0);
    Machine<CEcho>(echo)->SetParameter(CEcho::DRY_LEVEL, 1.0);

    ASSERT_NE(studio->Connect(Port(source, 1), Port(mixer, CMixer::TrackPort(0)), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(mixer, CMixer::kOutputPort), Port(studio->GetMaster(), 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(mixer, CMixer::SendPort(0)), Port(echo, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(echo, 1), Port(mixer, CMixer::ReturnPort(0)), 1.0), nullptr);

    std::vector<double> left(256), right(256);
    double* buffers[2] = {left.data(), right.data()};
    for (int n = 1; n <= 200; ++n) {
        // A new level each block: the return heard must be this block's.
        Machine<CLevelMachine>(source)->left = Machine<CLevelMachine>(source)->right = n;
        studio->RenderBlock(2, buffers, 256);
        // Track: n·0.5 (balance); return: n/4·0.5.
        ASSERT_NEAR(left[100], n * 0.625, n * 1e-9) << n;
        ASSERT_NEAR(right[255], n * 0.625, n * 1e-9) << n;
        ExpectSemaphoresAtZero();
    }
    EXPECT_GT(desk->GetPeak(CMixer::kTracks, 0), 0.0);
}

TEST_F(MixerStudioTest, SplitterAndJoinerCarrySamplesUnchanged)
{
    // A stereo source split and joined again with the sides crossed.
    CMachineContainer* source = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* splitter = studio->AddMachineOfType(splitterType, 0, 0);
    CMachineContainer* joiner = studio->AddMachineOfType(joinerType, 0, 0);
    Machine<CLevelMachine>(source)->left = 0.3;
    Machine<CLevelMachine>(source)->right = -0.7;
    ASSERT_NE(studio->Connect(Port(source, 1), Port(splitter, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(splitter, 1), Port(joiner, 1), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(splitter, 2), Port(joiner, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(joiner, 2), Port(studio->GetMaster(), 0), 1.0), nullptr);
    std::vector<double> left(256), right(256);
    double* buffers[2] = {left.data(), right.data()};
    for (int n = 0; n < 4; ++n) {
        studio->RenderBlock(2, buffers, 256);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(left[i], -0.7);
            ASSERT_EQ(right[i], 0.3);
        }
    }
    ExpectSemaphoresAtZero();
}

// The room's knobs turned on another thread (as an editor does, without the
// machine lock) while the audio thread processes: the dirty flags carry the
// changes under the room's own lock.
TEST(RoomThreadTest, KnobsTurnedWhileTheAudioThreadProcesses)
{
    auto* room = new CDizodirEzav(&TestHost(), &TestTables());
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        CAudioBuffer* in = room->ports[0]->audioBuffer;
        for (int32_t i = 0; i < in->length; ++i)
            in->left[i] = in->right[i] = (i % 64 == 0) ? 0.5 : 0.0;
        while (!done.load()) {
            room->Process();
            const CAudioBuffer* out = room->ports[1]->audioBuffer;
            for (int32_t i = 0; i < out->length; ++i)
                ASSERT_TRUE(std::isfinite(out->left[i]));
            blocks.fetch_add(1);
        }
    });
    for (int n = 0; n < 400; ++n) {
        room->SetParameter(n % CDizodirEzav::kParameterCount, (n % 11) / 10.0);
        if (n % 7 == 0)
            room->IdleGUI();
        while (blocks.load() < n / 4)
            std::this_thread::yield();
    }
    done.store(true);
    audio.join();
    room->SetParameter(CDizodirEzav::ROOM_WIDTH, 1.0);
    room->Process();
    EXPECT_EQ(room->Width(), 30.0);
    room->Release();
}
