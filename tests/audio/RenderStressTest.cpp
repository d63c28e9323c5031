// Graph edits from the test thread while the null driver renders: run
// under ThreadSanitizer, any unguarded access shows.
#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "studio/RenderEntry.h"
#include "support/StudioFixture.h"
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <cstdio>
#include <random>
#include <thread>
#include "support/AudioTestEnvironment.h"

namespace {

// No sound device and no low-latency driver: only "Null" can run.
const bool environment = testenv::UseNoDevices() && !testenv::UsePrivateConfigFolder("no-devices").empty();

std::atomic<int> blocks{0};

void CountingEntry(int32_t channels, double** buffers, int32_t frames)
{
    RenderEntry(channels, buffers, frames);
    blocks.fetch_add(1, std::memory_order_relaxed);
}

std::vector<CMachineContainer*> Containers(CStudio& studio)
{
    std::vector<CMachineContainer*> all;
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        all.push_back(c);
    return all;
}

std::vector<CConnection*> Cables(CStudio& studio)
{
    std::vector<CConnection*> all;
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        for (int32_t i = 0; i < c->GetConnectorCount(); ++i)
            for (int32_t k = 0; k < c->GetConnector(i)->GetConnectionCount(); ++k)
                all.push_back(c->GetConnector(i)->GetConnection(k));
    return all;
}

} // namespace

TEST(RenderStressTest, GraphEditsWhileTheNullDriverRenders)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CStudioFixture fixture;
    CStudio& studio = *fixture.studio;
    studio.NewProject();
    CMachineInfo* types[] = {fixture.level, fixture.monoLevel, fixture.pass, fixture.aux, fixture.events, fixture.knob};

    CAudioOutputManager manager(options);
    manager.SetStudio(&studio);
    SetRenderStudio(&studio);
    manager.StartOutput(CountingEntry);

    std::mt19937 random(12345);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int operations = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<CMachineContainer*> all = Containers(studio);
        switch (random() % 9) {
        case 0:
        case 1:
            if (all.size() < 14)
                studio.AddMachineOfType(types[pick(std::size(types))], 10, 10);
            break;
        case 2: {
            CMachineContainer* victim = all[pick(all.size())];
            if (victim != studio.GetMaster())
                studio.RemoveMachine(victim);
            break;
        }
        case 3:
        case 4: {
            CMachineContainer* a = all[pick(all.size())];
            CMachineContainer* b = all[pick(all.size())];
            if (a->GetConnectorCount() > 0 && b->GetConnectorCount() > 0)
                studio.Connect(a->GetConnector(static_cast<int32_t>(pick(static_cast<size_t>(a->GetConnectorCount())))),
                               b->GetConnector(static_cast<int32_t>(pick(static_cast<size_t>(b->GetConnectorCount())))),
                               static_cast<double>(random() % 100) / 100.0);
            break;
        }
        case 5: {
            std::vector<CConnection*> cables = Cables(studio);
            if (!cables.empty())
                studio.Disconnect(cables[pick(cables.size())]);
            break;
        }
        case 6: {
            // The cable slider sets volumes without the studio lock.
            std::vector<CConnection*> cables = Cables(studio);
            for (CConnection* cable : cables)
                cable->SetTargetVolume(static_cast<double>(random() % 100) / 100.0);
            studio.SetTargetMasterVolume(static_cast<double>(random() % 100) / 50.0);
            break;
        }
        case 7: {
            CMachineContainer* c = all[pick(all.size())];
            if (c != studio.GetMaster())
                studio.RenameMachine(c, ("Renamed " + std::to_string(operations)).c_str());
            if (c->GetMachine()->parameterCount > 0)
                studio.Randomize(c);
            break;
        }
        case 8:
            if (random() % 8 == 0) {
                manager.StopOutput();
                manager.StartOutput(CountingEntry);
            }
            break;
        }
        ++operations;
        // Leave the render thread room for blocks between bursts of edits.
        if (operations % 8 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    manager.StopOutput();
    SetRenderStudio(nullptr);

    std::printf("%d edits, %d blocks\n", operations, blocks.load());
    // Loose floors: the point is that both sides ran at the same time (the
    // machine may be busy with other work).
    EXPECT_GT(operations, 100);
    EXPECT_GT(blocks.load(), 5);
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        EXPECT_EQ(c->PendingReleases(), 0) << c->GetName();
}

namespace {

// Counts its runs; the checking entry expects exactly one per block.
class CCountingMachine : public CPassMachine {
public:
    explicit CCountingMachine(CHost* host) : CPassMachine(host) {}
    void Render() override
    {
        CPassMachine::Render();
        // Some work, so that jobs overlap on the workers.
        double x = 1.0;
        for (int i = 0; i < 2000; ++i)
            x = x * 0.999 + 0.001;
        out->audioBuffer->left[0] += x * 1e-12;
        runs.fetch_add(1, std::memory_order_relaxed);
    }
    std::atomic<int> runs{0};
};

CMachineInfo* countingType = nullptr;
std::atomic<int> wrongRuns{0};

// Renders and checks the block under one hold of the studio lock, so that
// no edit slips in between.
void CheckingEntry(int32_t channels, double** buffers, int32_t frames)
{
    CStudio* studio = GetRenderStudio();
    if (!studio)
        return;
    CLockGuard lock(*studio);
    RenderEntry(channels, buffers, frames);
    for (CMachineContainer* c = studio->GetFirst(); c; c = c->GetNext()) {
        if (c->GetType() != countingType)
            continue;
        if (static_cast<CCountingMachine*>(c->GetMachine())->runs.exchange(0) != 1)
            wrongRuns.fetch_add(1);
        if (c->PendingReleases() != 0)
            wrongRuns.fetch_add(1);
    }
    blocks.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

// Dozens of machines side by side into the master, and chains among them,
// while machines come and go, cables change and parameters move: every
// machine runs exactly once per block and the semaphores end each block at 0.
TEST(RenderStressTest, WideGraphEditsWhileTheNullDriverRenders)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CStudioFixture fixture;
    CStudio& studio = *fixture.studio;
    countingType = fixture.Register<CCountingMachine>("ZT Counting");
    studio.NewProject();
    std::mt19937 random(777);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    auto addIntoMaster = [&] {
        CMachineContainer* c = studio.AddMachineOfType(countingType, 10, 10);
        studio.Connect(c->GetConnector(1), studio.GetMaster()->GetConnector(0), 0.5);
        return c;
    };
    for (int i = 0; i < 48; ++i)
        addIntoMaster();

    CAudioOutputManager manager(options);
    manager.SetStudio(&studio);
    SetRenderStudio(&studio);
    blocks = 0;
    wrongRuns = 0;
    manager.StartOutput(CheckingEntry);

    int operations = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<CMachineContainer*> all = Containers(studio);
        switch (random() % 6) {
        case 0: {
            CMachineContainer* victim = all[pick(all.size())];
            if (victim != studio.GetMaster() && all.size() > 24)
                studio.RemoveMachine(victim);
            break;
        }
        case 1:
            if (all.size() < 72)
                addIntoMaster();
            break;
        case 2: {
            // A chain link between two machines (refused when it would
            // close a loop).
            CMachineContainer* a = all[pick(all.size())];
            CMachineContainer* b = all[pick(all.size())];
            if (a != studio.GetMaster() && b != studio.GetMaster() && a != b)
                studio.Connect(a->GetConnector(1), b->GetConnector(0), 1.0);
            break;
        }
        case 3: {
            std::vector<CConnection*> cables = Cables(studio);
            if (!cables.empty())
                studio.Disconnect(cables[pick(cables.size())]);
            break;
        }
        case 4: {
            // A parameter edit under the machine's own lock, as an editor does.
            CMachineContainer* c = all[pick(all.size())];
            if (c->GetType() != countingType)
                break;
            CLockGuard machineLock(*c->GetMachine());
            static_cast<CPassMachine*>(c->GetMachine())->gain = static_cast<double>(random() % 100) / 100.0;
            break;
        }
        case 5:
            for (CConnection* cable : Cables(studio))
                cable->SetTargetVolume(static_cast<double>(random() % 100) / 100.0);
            break;
        }
        ++operations;
        if (operations % 4 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    manager.StopOutput();
    SetRenderStudio(nullptr);

    std::printf("%d edits, %d blocks\n", operations, blocks.load());
    EXPECT_GT(operations, 100);
    EXPECT_GT(blocks.load(), 5);
    EXPECT_EQ(wrongRuns.load(), 0);
}
