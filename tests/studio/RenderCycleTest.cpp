#include "platform/OsThread.h"
#include "studio/CMeterSink.h"
#include "studio/CWorkerPool.h"
#include "studio/RenderEntry.h"
#include "support/StudioFixture.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <chrono>
#include <set>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <vector>

namespace {

// Output buffers for one block, pre-filled with a value no block writes.
struct Block {
    Block(int32_t channels, int32_t frames) : data(static_cast<size_t>(channels), std::vector<double>(static_cast<size_t>(frames), -7.0))
    {
        for (auto& channel : data)
            pointers.push_back(channel.data());
    }
    double** Buffers() { return pointers.data(); }
    double At(int32_t channel, int32_t frame) const { return data[static_cast<size_t>(channel)][static_cast<size_t>(frame)]; }
    std::vector<std::vector<double>> data;
    std::vector<double*> pointers;
};

class CPeakRecorder : public CMeterSink {
public:
    void PutPeaks(double first, double second) override { peaks.emplace_back(first, second); }
    std::vector<std::pair<double, double>> peaks;
};

class RenderCycleTest : public ::testing::Test, public CStudioFixture {
protected:
    void SetUp() override { studio->NewProject(); }
    CMachineContainer* Master() { return studio->GetMaster(); }
    void Render(Block& block, int32_t channels, int32_t frames) { studio->RenderBlock(channels, block.Buffers(), frames); }
    void ExpectSemaphoresAtZero()
    {
        for (CMachineContainer* c = studio->GetFirst(); c; c = c->GetNext())
            EXPECT_EQ(c->PendingReleases(), 0) << c->GetName();
    }
};

} // namespace

TEST_F(RenderCycleTest, ASourceWithTwoConsumersIsProcessedOnceAndSemaphoresEndAtZero)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* a = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* b = studio->AddMachineOfType(pass, 0, 0);
    studio->Connect(Port(src, 1), Port(a, 0), 1.0);
    studio->Connect(Port(src, 1), Port(b, 0), 1.0);
    studio->Connect(Port(a, 1), Port(Master(), 0), 1.0);
    studio->Connect(Port(b, 1), Port(Master(), 0), 1.0);
    Block block(2, 256);
    for (int n = 1; n <= 50; ++n) {
        Render(block, 2, 256);
        ASSERT_EQ(Machine<CTestMachine>(src)->Processed(), n);
        ASSERT_EQ(Machine<CTestMachine>(a)->Processed(), n);
        ASSERT_EQ(Machine<CTestMachine>(b)->Processed(), n);
        ExpectSemaphoresAtZero();
    }
    EXPECT_EQ(block.At(0, 0), 2.0);
    EXPECT_EQ(block.At(1, 255), 2.0);
}

TEST_F(RenderCycleTest, IndependentSourcesRunAtTheSameTime)
{
    CMachineContainer* a = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* b = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* alone = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(a, 1), Port(Master(), 0), 1.0);
    studio->Connect(Port(b, 1), Port(Master(), 0), 1.0);
    std::atomic<int> busy{0};
    for (CMachineContainer* c : {a, b}) {
        Machine<CTestMachine>(c)->busy = &busy;
        Machine<CTestMachine>(c)->holdMilliseconds = 30;
    }
    Block block(2, 256);
    Render(block, 2, 256);
    std::thread::id driver = std::this_thread::get_id();
    std::thread::id threadA = Machine<CTestMachine>(a)->processThread;
    std::thread::id threadB = Machine<CTestMachine>(b)->processThread;
    EXPECT_NE(threadA, threadB);
    EXPECT_EQ(std::max(Machine<CTestMachine>(a)->mostInside, Machine<CTestMachine>(b)->mostInside), 2)
        << "the two sources were never processed at the same time";
    // The master and unconnected machines run on the driver's thread.
    EXPECT_EQ(Machine<CTestMachine>(alone)->processThread, driver);
    EXPECT_EQ(block.At(0, 100), 2.0);
    ExpectSemaphoresAtZero();
}

TEST_F(RenderCycleTest, AChainIsProcessedInOrderWhoeverRunsTheJobs)
{
    // A long chain: each link's job may run on its worker or be taken by the
    // consumer waiting for it; either way every link runs once per block,
    // after its source, and the semaphores balance.
    std::vector<CMachineContainer*> chain{studio->AddMachineOfType(level, 0, 0)};
    for (int i = 0; i < 24; ++i) {
        chain.push_back(studio->AddMachineOfType(pass, 0, 0));
        studio->Connect(Port(chain[chain.size() - 2], 1), Port(chain.back(), 0), 1.0);
    }
    studio->Connect(Port(chain.back(), 1), Port(Master(), 0), 0.5);
    Block block(2, 128);
    for (int n = 1; n <= 40; ++n) {
        Render(block, 2, 128);
        for (CMachineContainer* c : chain)
            ASSERT_EQ(Machine<CTestMachine>(c)->Processed(), n) << c->GetName();
        ExpectSemaphoresAtZero();
    }
    EXPECT_EQ(block.At(0, 127), 0.5);
    EXPECT_EQ(block.At(1, 0), 0.5);
}

TEST_F(RenderCycleTest, AnUnconnectedMachineIsStillProcessedEveryBlock)
{
    CMachineContainer* alone = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* chainEnd = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* chainStart = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(chainStart, 1), Port(chainEnd, 0), 1.0); // feeds no master
    Block block(2, 64);
    for (int n = 1; n <= 5; ++n)
        Render(block, 2, 64);
    for (CMachineContainer* c : {alone, chainEnd, chainStart})
        EXPECT_EQ(Machine<CTestMachine>(c)->Processed(), 5) << c->GetName();
    EXPECT_EQ(block.At(0, 10), 0.0); // nothing reaches the master
    ExpectSemaphoresAtZero();
}

TEST_F(RenderCycleTest, CableVolumeGlidesToZeroIn5994FramesWithoutOvershoot)
{
    studio->PrepareForDriver(1, 44100, 1000);
    CMachineContainer* src = studio->AddMachineOfType(monoLevel, 0, 0);
    CConnection* cable = studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    cable->SetTargetVolume(0.0);
    std::vector<double> out;
    Block block(1, 1000);
    for (int n = 0; n < 7; ++n) {
        Render(block, 1, 1000);
        out.insert(out.end(), block.data[0].begin(), block.data[0].end());
    }
    // The glide comes before the frame is mixed: frame i carries i + 1 steps.
    EXPECT_LT(out[0], 1.0);
    EXPECT_GT(out[5992], 0.0);
    EXPECT_EQ(out[5993], 0.0);
    for (size_t i = 1; i < out.size(); ++i) {
        ASSERT_LE(out[i], out[i - 1]) << i;
        ASSERT_GE(out[i], 0.0) << i;
    }
    EXPECT_EQ(cable->GetCurrentVolume(), 0.0);

    // And back up: the same rule, stopping exactly on the target.
    cable->SetTargetVolume(1.0);
    out.clear();
    for (int n = 0; n < 7; ++n) {
        Render(block, 1, 1000);
        out.insert(out.end(), block.data[0].begin(), block.data[0].end());
    }
    EXPECT_LT(out[5992], 1.0);
    EXPECT_EQ(out[5993], 1.0);
    EXPECT_EQ(out.back(), 1.0);
}

TEST_F(RenderCycleTest, MasterVolumeGlidesAfterEachFrameWithTheSameRule)
{
    studio->PrepareForDriver(1, 44100, 1000);
    CMachineContainer* src = studio->AddMachineOfType(monoLevel, 0, 0);
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    studio->SetTargetMasterVolume(0.0);
    std::vector<double> out;
    Block block(1, 1000);
    for (int n = 0; n < 7; ++n) {
        Render(block, 1, 1000);
        out.insert(out.end(), block.data[0].begin(), block.data[0].end());
    }
    // The step comes after the frame is written: frame i carries i steps.
    EXPECT_EQ(out[0], 1.0);
    EXPECT_GT(out[5993], 0.0);
    EXPECT_EQ(out[5994], 0.0);
    for (size_t i = 1; i < out.size(); ++i)
        ASSERT_LE(out[i], out[i - 1]) << i;
    EXPECT_EQ(studio->GetMasterVolume(), 0.0);
    // The single-precision bias makes the first step slightly larger than a
    // cable's.
    EXPECT_EQ(out[1], 1.0 - (1.0 + static_cast<double>(0.1f)) * 0.0004);
}

TEST_F(RenderCycleTest, WithoutAMasterTheDriverGetsSilence)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    studio->RemoveMachine(Master());
    CPeakRecorder meter;
    studio->SetMeterSink(&meter);
    Block block(2, 128);
    const int32_t position = host.GetPosition();
    Render(block, 2, 128);
    for (int32_t j = 0; j < 2; ++j)
        for (int32_t i = 0; i < 128; ++i)
            ASSERT_EQ(block.At(j, i), 0.0);
    EXPECT_EQ(Machine<CTestMachine>(src)->Processed(), 1);
    EXPECT_EQ(host.GetPosition(), position); // the clock only runs with a master
    ASSERT_EQ(meter.peaks.size(), 1u);
    EXPECT_EQ(meter.peaks[0], (std::pair<double, double>{0.0, 0.0}));
}

TEST_F(RenderCycleTest, MonoAndStereoAreMixedIntoEachOther)
{
    // Mono machine into the stereo master: the same signal on both sides.
    CMachineContainer* mono = studio->AddMachineOfType(monoLevel, 0, 0);
    Machine<CLevelMachine>(mono)->left = 0.25;
    studio->Connect(Port(mono, 1), Port(Master(), 0), 1.0);
    Block stereoBlock(2, 256);
    Render(stereoBlock, 2, 256);
    EXPECT_EQ(stereoBlock.At(0, 100), 0.25);
    EXPECT_EQ(stereoBlock.At(1, 100), 0.25);

    // Stereo machine into a mono master: the average of left and right.
    studio->PrepareForDriver(1, 44100, 256);
    CMachineContainer* stereo = studio->AddMachineOfType(level, 0, 0);
    Machine<CLevelMachine>(stereo)->left = 0.5;
    Machine<CLevelMachine>(stereo)->right = -0.1;
    studio->Connect(Port(stereo, 1), Port(Master(), 0), 1.0);
    Block monoBlock(1, 256);
    Render(monoBlock, 1, 256);
    EXPECT_DOUBLE_EQ(monoBlock.At(0, 3), 0.2);

    // Stereo into stereo keeps the sides apart; the cable volume scales both.
    CMachineContainer* fx = studio->AddMachineOfType(pass, 0, 0);
    studio->Connect(Port(stereo, 1), Port(fx, 0), 0.5);
    studio->PrepareForDriver(2, 44100, 256);
    studio->Connect(Port(fx, 1), Port(Master(), 0), 1.0);
    Render(stereoBlock, 2, 256);
    EXPECT_DOUBLE_EQ(stereoBlock.At(0, 7), 0.25);
    EXPECT_DOUBLE_EQ(stereoBlock.At(1, 7), -0.05);
}

TEST_F(RenderCycleTest, MoreThanTwoChannelsTakeOneMasterInputEach)
{
    studio->PrepareForDriver(3, 44100, 64);
    double levels[] = {0.1, 0.2, 0.3};
    for (int32_t j = 0; j < 3; ++j) {
        CMachineContainer* src = studio->AddMachineOfType(monoLevel, 0, 0);
        Machine<CLevelMachine>(src)->left = levels[j];
        studio->Connect(Port(src, 1), Port(Master(), j), 1.0);
    }
    CPeakRecorder meter;
    studio->SetMeterSink(&meter);
    Block block(3, 64);
    Render(block, 3, 64);
    for (int32_t j = 0; j < 3; ++j)
        EXPECT_EQ(block.At(j, 63), levels[j]);
    ASSERT_EQ(meter.peaks.size(), 1u);
    EXPECT_DOUBLE_EQ(meter.peaks[0].first, 0.01);
    EXPECT_DOUBLE_EQ(meter.peaks[0].second, 0.04);
}

TEST_F(RenderCycleTest, PeaksAreSquaredSamplesAfterTheMasterVolume)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    Machine<CLevelMachine>(src)->left = -0.5;
    Machine<CLevelMachine>(src)->right = 0.25;
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    CPeakRecorder meter;
    studio->SetMeterSink(&meter);
    Block block(2, 256);
    Render(block, 2, 256);
    ASSERT_EQ(meter.peaks.size(), 1u);
    EXPECT_EQ(meter.peaks[0].first, 0.25);
    EXPECT_EQ(meter.peaks[0].second, 0.0625);

    // A mono output reports its one peak twice.
    studio->PrepareForDriver(1, 44100, 256);
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    Block mono(1, 256);
    Render(mono, 1, 256);
    ASSERT_EQ(meter.peaks.size(), 2u);
    EXPECT_DOUBLE_EQ(meter.peaks[1].first, 0.015625); // ((-0.5 + 0.25) / 2)^2
    EXPECT_EQ(meter.peaks[1].first, meter.peaks[1].second);
}

TEST_F(RenderCycleTest, DeferredEventsArriveInTheBlockTheyFallIn)
{
    constexpr int32_t kFrames = 256;
    CMachineContainer* target = studio->AddMachineOfType(events, 0, 0);
    CRecordingSequencer sequencer;
    int block = 0;
    sequencer.onPatternStep = [&] {
        if (block++ != 0)
            return;
        CConnector* connector = Port(target, 0);
        MachineEvent now = MakeEvent(3, EVENT_NOTE_ON, 60, 0.8, 261.6);
        MachineEvent later = MakeEvent(kFrames + 10, EVENT_NOTE_OFF, 60, 0.0);
        MachineEvent muchLater = MakeEvent(3 * kFrames, EVENT_NOTE_OFF, 61, 0.0);
        connector->GetPort()->controlBuffer->PushEvent(&now);
        connector->GetDeferredEvents()->PushEvent(&later);
        connector->GetDeferredEvents()->PushEvent(&muchLater);
    };
    studio->SetSequencer(&sequencer);
    Block out(2, kFrames);
    for (int n = 0; n < 4; ++n)
        Render(out, 2, kFrames);
    auto seen = Machine<CEventMachine>(target)->Seen();
    ASSERT_EQ(seen.size(), 4u);
    ASSERT_EQ(seen[0].size(), 1u);
    EXPECT_EQ(seen[0][0].time, 3);
    ASSERT_EQ(seen[1].size(), 1u);
    EXPECT_EQ(seen[1][0].time, 10);
    EXPECT_EQ(seen[1][0].kind, EVENT_NOTE_OFF);
    EXPECT_TRUE(seen[2].empty()); // control inputs are cleared every block
    ASSERT_EQ(seen[3].size(), 1u);
    EXPECT_EQ(seen[3][0].time, 0);
    EXPECT_EQ(seen[3][0].key, 61);
}

TEST_F(RenderCycleTest, SequencerStepsRunUnderThePatternLockAfterControlInputsAreCleared)
{
    CMachineContainer* target = studio->AddMachineOfType(events, 0, 0);
    // Left over from the last block: must be gone before the steps run.
    MachineEvent stale = MakeEvent(0, EVENT_CONTROL_CHANGE, 1, 0.5);
    Port(target, 0)->GetPort()->controlBuffer->PushEvent(&stale);
    CRecordingSequencer sequencer;
    int32_t countAtStep = -1;
    sequencer.onPatternStep = [&] { countAtStep = Port(target, 0)->GetPort()->controlBuffer->Count(); };
    studio->SetSequencer(&sequencer);
    Block out(2, 64);
    Render(out, 2, 64);
    EXPECT_EQ(sequencer.calls, (std::vector<std::string>{"pattern step (locked)", "song step (locked)"}));
    EXPECT_EQ(countAtStep, 0);
    EXPECT_FALSE(sequencer.lock.IsLocked());
}

TEST_F(RenderCycleTest, ControlEventsFlowThroughCablesWithinTheBlock)
{
    CMachineContainer* sender = studio->AddMachineOfType(events, 0, 0);
    CMachineContainer* receiver = studio->AddMachineOfType(events, 0, 0);
    Machine<CEventMachine>(sender)->outgoing = {MakeEvent(5, EVENT_CONTROL_CHANGE, 2, 0.25),
                                                MakeEvent(1, EVENT_NOTE_ON_INT, 64, 1.0)};
    studio->Connect(Port(sender, 1), Port(receiver, 0), 1.0);
    Block out(2, 64);
    Render(out, 2, 64);
    Render(out, 2, 64);
    auto seen = Machine<CEventMachine>(receiver)->Seen();
    ASSERT_EQ(seen.size(), 2u);
    // Each block carries exactly that block's events, in time order.
    for (const auto& block : seen) {
        ASSERT_EQ(block.size(), 2u);
        EXPECT_EQ(block[0].time, 1);
        EXPECT_EQ(block[1].time, 5);
    }
}

TEST_F(RenderCycleTest, LateInputsGetThisBlocksReturnAndSemaphoresStayBalanced)
{
    // source -> mixer -> master, mixer send (late) -> effect -> mixer return (late)
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* mixer = studio->AddMachineOfType(aux, 0, 0);
    CMachineContainer* fx = studio->AddMachineOfType(pass, 0, 0);
    Machine<CPassMachine>(fx)->gain = 0.5;
    ASSERT_NE(studio->Connect(Port(src, 1), Port(mixer, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(mixer, 1), Port(Master(), 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(mixer, 2), Port(fx, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(fx, 1), Port(mixer, 3), 1.0), nullptr);
    Block block(2, 256);
    double level = 1.0;
    for (int n = 1; n <= 100; ++n) {
        // A new level each block shows whether the return is this block's.
        level = n;
        Machine<CLevelMachine>(src)->left = Machine<CLevelMachine>(src)->right = level;
        Render(block, 2, 256);
        ASSERT_EQ(block.At(0, 0), level * 1.5) << n;
        ASSERT_EQ(block.At(1, 255), level * 1.5) << n;
        ASSERT_EQ(Machine<CTestMachine>(fx)->Processed(), n);
        ASSERT_EQ(Machine<CAuxMachine>(mixer)->lateCount.load(), n);
        ExpectSemaphoresAtZero();
    }
    EXPECT_EQ(Machine<CTestMachine>(mixer)->Processed(), 100);
}

TEST_F(RenderCycleTest, TheHostClockAdvancesByEachBlock)
{
    Block block(2, 100);
    Render(block, 2, 100);
    Render(block, 2, 100);
    EXPECT_EQ(host.GetPosition(), 200);
}

TEST_F(RenderCycleTest, FramesBeyondTheMastersBuffersAreSilence)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    Block block(2, 300); // the host's block size is 256
    Render(block, 2, 300);
    EXPECT_EQ(block.At(0, 255), 1.0);
    EXPECT_EQ(block.At(0, 256), 0.0);
    EXPECT_EQ(block.At(1, 299), 0.0);
}

TEST_F(RenderCycleTest, TheRenderEntryWritesNothingBeforeAStudioIsRegistered)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(src, 1), Port(Master(), 0), 1.0);
    Block block(2, 256);
    SetRenderStudio(nullptr);
    RenderEntry(2, block.Buffers(), 256);
    EXPECT_EQ(block.At(0, 0), -7.0);
    EXPECT_EQ(block.At(1, 255), -7.0);
    EXPECT_EQ(Machine<CTestMachine>(src)->Processed(), 0);

    SetRenderStudio(studio.get());
    RenderEntry(2, block.Buffers(), 256);
    SetRenderStudio(nullptr);
    EXPECT_EQ(block.At(0, 0), 1.0);
    EXPECT_EQ(Machine<CTestMachine>(src)->Processed(), 1);
}

// An editor holding one source's lock makes nobody wait on that lock while
// holding another: the job goes back to the queue, the other sources run,
// and the block ends once the editor lets go, every machine processed once.
TEST_F(RenderCycleTest, ASourceLockedByAnEditorIsRunOnceItIsFreeAndTheBlockStaysWhole)
{
    std::vector<CMachineContainer*> sources;
    for (int i = 0; i < 16; ++i) {
        sources.push_back(studio->AddMachineOfType(level, 0, 0));
        studio->Connect(Port(sources.back(), 1), Port(Master(), 0), 1.0);
    }
    Block block(2, 256);
    for (int round = 0; round < 6; ++round) {
        // Each round another source: the first (run by the master itself),
        // and queued ones.
        CMachine* held = sources[static_cast<size_t>(round * 3)]->GetMachine();
        std::atomic<bool> locked{false};
        std::thread editor([&] {
            CLockGuard lock(*held);
            locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        });
        while (!locked)
            std::this_thread::yield();
        Render(block, 2, 256);
        editor.join();
        for (CMachineContainer* c : sources)
            ASSERT_EQ(Machine<CTestMachine>(c)->Processed(), round + 1) << c->GetName();
        ExpectSemaphoresAtZero();
        EXPECT_EQ(block.At(0, 0), 16.0);
    }
}

// Workers run one step above normal, and at the priority of a real-time
// rendering thread above that.
TEST_F(RenderCycleTest, WorkersRunAboveNormalAndNeverBelowTheRenderingThread)
{
    CMachineContainer* a = studio->AddMachineOfType(level, 0, 0);
    studio->Connect(Port(a, 1), Port(Master(), 0), 1.0);
    Block block(2, 256);
    Render(block, 2, 256);
    EXPECT_EQ(studio->Workers().GetPriority(), platform::DefaultRealtimePriority());
    bool granted = false;
    std::thread driver([&] {
        sched_param param{};
        param.sched_priority = platform::DefaultRealtimePriority() + 20;
        granted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
        if (granted)
            Render(block, 2, 256);
    });
    driver.join();
    if (!granted)
        GTEST_SKIP() << "real-time scheduling is not permitted here";
    EXPECT_EQ(studio->Workers().GetPriority(), platform::DefaultRealtimePriority() + 20);
    Render(block, 2, 256);
    EXPECT_EQ(studio->Workers().GetPriority(), platform::DefaultRealtimePriority());
    EXPECT_EQ(Machine<CTestMachine>(a)->Processed(), 3);
}
