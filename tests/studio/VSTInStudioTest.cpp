// Plug-in machines in the studio graph, processed by the render cycle.
#include "framework/Errors.h"
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "studio/CStudioObserver.h"
#include "studio/CVSTAdapterList.h"
#include "support/StudioFixture.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>
#include <string>
#include <vector>

namespace {
// Error boxes shown from any thread.
std::mutex shownLock;
std::vector<std::string> shownBoxes;
void RecordBox(const char*, const char* text)
{
    std::lock_guard<std::mutex> guard(shownLock);
    shownBoxes.emplace_back(text);
}
struct CBoxRecorder {
    CBoxRecorder() { SetShowHandler(RecordBox); }
    ~CBoxRecorder() { SetShowHandler(nullptr); }
};

constexpr int32_t kFrames = 256;

class VSTInStudioTest : public testing::Test {
protected:
    VSTInStudioTest()
    {
        studio.NewProject();
        studio.PrepareForDriver(2, 44100, kFrames);
        master = studio.GetMaster();
        Resize(kFrames);
    }

    // A plug-in type from a scan in this process, kept by the host.
    CVSTAdapterInfo* Type(const std::string& path)
    {
        VSTScanRecord record;
        CVSTAdapterInfo* type = CVSTAdapterInfo::Probe(&fixture.host, path, &record);
        if (type)
            fixture.host.RegisterMachineInfo(type);
        return type;
    }

    void Resize(int32_t frames)
    {
        for (int c = 0; c < 2; ++c) {
            out[c].assign(static_cast<size_t>(frames), 0.0);
            pointers[c] = out[c].data();
        }
    }
    void Render(int32_t frames = kFrames) { studio.RenderBlock(2, pointers, frames); }

    static TestPlugInReport LockedReport(CMachineContainer* container)
    {
        auto* adapter = static_cast<CVSTAdapter*>(container->GetMachine());
        CLockGuard guard(*adapter);
        return ReportOf(adapter);
    }

    CStudioFixture fixture{44100, kFrames};
    CStudio& studio = *fixture.studio;
    CMachineContainer* master = nullptr;
    std::vector<double> out[2];
    double* pointers[2];
};

TEST_F(VSTInStudioTest, AnEffectProcessesItsInputsInTheRenderCycle)
{
    CVSTAdapterInfo* type = Type(TestVSTPath("gain"));
    ASSERT_NE(type, nullptr);
    CMachineContainer* ramp = studio.AddMachineOfType(fixture.ramp, 0, 0);
    CMachineContainer* gain = studio.AddMachineOfType(type, 0, 0);
    EXPECT_STREQ(gain->GetName(), "velm-gain 1");
    // Ports: control 0, stereo input 1, stereo output 2.
    ASSERT_NE(studio.Connect(ramp->GetConnector(0), gain->GetConnector(1), 1.0), nullptr);
    ASSERT_NE(studio.Connect(gain->GetConnector(2), master->GetConnector(0), 1.0), nullptr);
    gain->GetMachine()->SetParameter(0, 1.0); // +12 dB

    const float factor = static_cast<float>(std::pow(10.0, 12.0 / 20.0));
    for (int block = 0; block < 3; ++block) {
        Render();
        for (int32_t i = 0; i < kFrames; ++i) {
            const double expected = static_cast<double>(static_cast<float>(CRampMachine::Expected(block * kFrames + i)) * factor);
            ASSERT_EQ(out[0][static_cast<size_t>(i)], expected) << block << " " << i;
            ASSERT_EQ(out[1][static_cast<size_t>(i)], expected) << block << " " << i;
        }
    }
    EXPECT_EQ(LockedReport(gain).processReplacingCalls, 3);

    // New driver settings reach the plug-in, and it processes the new
    // block length.
    studio.PrepareForDriver(2, 48000, 128);
    Resize(128);
    Render(128);
    TestPlugInReport report = LockedReport(gain);
    EXPECT_EQ(report.sampleRate, 48000.0f);
    EXPECT_EQ(report.blockSize, 128);
    EXPECT_EQ(report.lastFrames, 128);
}

TEST_F(VSTInStudioTest, EventsReachAnInstrumentThroughItsAppendedControlPort)
{
    CVSTAdapterInfo* type = Type(TestVSTPath("synth"));
    ASSERT_NE(type, nullptr);
    CMachineContainer* notes = studio.AddMachineOfType(fixture.events, 0, 0);
    CMachineContainer* synth = studio.AddMachineOfType(type, 0, 0);
    // Ports: stereo output 0, control input 1.
    ASSERT_NE(studio.Connect(notes->GetConnector(1), synth->GetConnector(1), 1.0), nullptr);
    ASSERT_NE(studio.Connect(synth->GetConnector(0), master->GetConnector(0), 1.0), nullptr);

    auto* source = CStudioFixture::Machine<CEventMachine>(notes);
    source->outgoing = {MakeEvent(5, EVENT_NOTE_ON, 60, 1.0), MakeEvent(200, EVENT_NOTE_OFF, 60, 0.0)};
    Render();
    source->outgoing.clear();
    Render();

    TestPlugInReport report = LockedReport(synth);
    ASSERT_EQ(report.eventCount, 2);
    EXPECT_EQ(report.processEventsCalls, 1);
    EXPECT_EQ(report.events[0].deltaFrames, 5);
    EXPECT_EQ(static_cast<uint8_t>(report.events[0].midiData[0]), 0x90);
    EXPECT_EQ(report.events[1].deltaFrames, 200);
    EXPECT_EQ(static_cast<uint8_t>(report.events[1].midiData[0]), 0x80);
    // Its two outputs land on the master's two sides.
    EXPECT_EQ(out[0][0], 0.25);
    EXPECT_EQ(out[1][0], 0.5);
}

TEST_F(VSTInStudioTest, MachinesJoinWithTheirStoredState)
{
    CVSTAdapterInfo* chunks = Type(TestVSTPath("chunks"));
    CVSTAdapterInfo* gain = Type(TestVSTPath("gain"));
    ASSERT_TRUE(chunks && gain);
    struct Case {
        CVSTAdapterInfo* type;
        bool opaque;
    };
    for (const Case& c : {Case{chunks, true}, Case{gain, false}}) {
        void* data = nullptr;
        int32_t size = 0;
        bool isList = false;
        {
            AdapterPtr original = CreateAdapter(*c.type);
            original->SetParameter(1, 0.75);
            original->SetParameter(2, 0.125);
            original->SaveState(&data, &size, &isList);
        }
        EXPECT_EQ(isList, !c.opaque);
        CMachineContainer* loaded = studio.AddMachine("Loaded", c.type, 10, 10, data, size, isList);
        std::free(data);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetMachine()->GetParameter(1), 0.75);
        EXPECT_EQ(loaded->GetMachine()->GetParameter(2), 0.125);
        studio.RemoveMachine(loaded);
    }
    EXPECT_EQ(chunks->GetInstanceCount(), 0);
}

TEST_F(VSTInStudioTest, ARealInstrumentThroughARealEffectPlaysItsNote)
{
    TempFolder home;
    home.MakeFolder(".local/share");
    setenv("HOME", home.Path().c_str(), 1);
    CVSTAdapterInfo* amsynth = Type("/usr/lib/vst/amsynth_vst.so");
    CVSTAdapterInfo* compressor = Type("/usr/lib/vst/lsp-plugins/compressor-stereo.so");
    ASSERT_TRUE(amsynth && compressor);
    CMachineContainer* notes = studio.AddMachineOfType(fixture.events, 0, 0);
    CMachineContainer* synth = studio.AddMachineOfType(amsynth, 0, 0);
    CMachineContainer* effect = studio.AddMachineOfType(compressor, 0, 0);
    ASSERT_NE(studio.Connect(notes->GetConnector(1), synth->GetConnector(1), 1.0), nullptr);
    ASSERT_NE(studio.Connect(synth->GetConnector(0), effect->GetConnector(0), 1.0), nullptr);
    ASSERT_NE(studio.Connect(effect->GetConnector(1), master->GetConnector(0), 1.0), nullptr);

    double frequency = 0.0;
    fixture.host.GetNoteFrequency(69, &frequency);
    auto* source = CStudioFixture::Machine<CEventMachine>(notes);
    source->outgoing = {MakeEvent(0, EVENT_NOTE_ON, 69, 0.8, frequency)};
    std::vector<double> left;
    for (int block = 0; block < 80; ++block) {
        Render();
        source->outgoing.clear();
        left.insert(left.end(), out[0].begin(), out[0].end());
    }
    // Rising zero crossings of the steady part.
    std::vector<double> crossings;
    double energy = 0.0;
    for (size_t i = 44100 / 10; i < left.size(); ++i) {
        energy += left[i] * left[i];
        if (left[i - 1] < 0.0 && left[i] >= 0.0)
            crossings.push_back(static_cast<double>(i - 1) + left[i - 1] / (left[i - 1] - left[i]));
    }
    ASSERT_GT(crossings.size(), 100u);
    EXPECT_GT(energy, 1.0);
    const double measured = 44100.0 * static_cast<double>(crossings.size() - 1) / (crossings.back() - crossings.front());
    EXPECT_NEAR(measured, frequency, frequency * 0.005);
}

} // namespace

namespace {

class ParameterObserver : public CStudioObserver {
public:
    void ParameterChanged(CMachineContainer* container, int32_t index, double value) override
    {
        changes.push_back({container, index, value});
    }
    struct Change {
        CMachineContainer* container;
        int32_t index;
        double value;
    };
    std::vector<Change> changes;
};

} // namespace

TEST_F(VSTInStudioTest, ChangesMadeInAPlugInsEditorReachTheObserversAndMarkTheProject)
{
    CVSTAdapterInfo* type = Type(TestVSTPath("gain"));
    ASSERT_NE(type, nullptr);
    CMachineContainer* gain = studio.AddMachineOfType(type, 0, 0);
    ParameterObserver observer;
    {
        CLockGuard lock(studio);
        studio.AddObserver(&observer);
    }
    studio.ClearChanged();
    auto* adapter = static_cast<CVSTAdapter*>(gain->GetMachine());
    // As an editor does when the user turns one of its knobs.
    PlugInAsks(adapter, audioMasterAutomate, 2, 0, nullptr, 0.75f);
    ASSERT_EQ(observer.changes.size(), 1u);
    EXPECT_EQ(observer.changes[0].container, gain);
    EXPECT_EQ(observer.changes[0].index, 2);
    EXPECT_EQ(observer.changes[0].value, 0.75);
    EXPECT_TRUE(studio.IsChanged());
    EXPECT_EQ(adapter->GetParameter(2), 0.75);
    CLockGuard lock(studio);
    studio.RemoveObserver(&observer);
}

TEST_F(VSTInStudioTest, AFailingPlugInNeitherStopsTheStudioNorPoisonsTheMix)
{
    CVSTAdapterInfo* type = Type(TestVSTPath("misbehaves"));
    ASSERT_NE(type, nullptr);
    CMachineContainer* ramp = studio.AddMachineOfType(fixture.ramp, 0, 0);
    CMachineContainer* bad = studio.AddMachineOfType(type, 0, 0);
    // Ports: stereo input 0, stereo output 1.
    ASSERT_NE(studio.Connect(ramp->GetConnector(0), bad->GetConnector(0), 1.0), nullptr);
    ASSERT_NE(studio.Connect(bad->GetConnector(1), master->GetConnector(0), 1.0), nullptr);
    auto* adapter = static_cast<CVSTAdapter*>(bad->GetMachine());

    // Non-finite samples: that block is silent, the next one sounds again.
    TestMisbehaviour nonFinite{};
    nonFinite.throwOpcode = -1;
    nonFinite.nonFiniteBlocks = 1;
    TellToMisbehave(adapter, nonFinite);
    Render();
    for (double sample : out[0])
        ASSERT_EQ(sample, 0.0);
    Render();
    EXPECT_TRUE(std::isfinite(out[0][10]) && out[0][10] != 0.0);
    EXPECT_EQ(adapter->GetNonFiniteBlocks(), 1);

    CBoxRecorder recorder;
    // A throw in the middle of a block: the studio goes on with the
    // machine bypassed, its input going straight through.
    TestMisbehaviour throws{};
    throws.throwOpcode = -1;
    throws.throwInProcess = true;
    TellToMisbehave(adapter, throws);
    for (int block = 2; block < 5; ++block) {
        ASSERT_NO_THROW(Render());
        for (int32_t i = 0; i < kFrames; ++i)
            ASSERT_EQ(out[0][static_cast<size_t>(i)], CRampMachine::Expected(block * kFrames + i)) << block << " " << i;
    }
    EXPECT_TRUE(adapter->IsFaulted());
    // Told once, by whoever takes the report first: the plug-in idle thread
    // (an error box) or the window (here the test).
    const size_t taken = CVSTAdapterList::Get().TakeProblemReports(false).size();
    std::lock_guard<std::mutex> guard(shownLock);
    EXPECT_EQ(taken + shownBoxes.size(), 1u);
}
