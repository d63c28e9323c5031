#include "framework/Errors.h"
#include "studio/CMaster.h"
#include "studio/CableVolume.h"
#include "support/StudioFixture.h"
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class StudioGraphTest : public ::testing::Test, public CStudioFixture {};

int32_t CableCount(CStudio& studio)
{
    int32_t count = 0;
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        for (int32_t i = 0; i < c->GetConnectorCount(); ++i)
            count += c->GetConnector(i)->GetConnectionCount();
    return count;
}

std::vector<std::string> Names(CStudio& studio)
{
    std::vector<std::string> names;
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext())
        names.push_back(c->GetName());
    return names;
}

} // namespace

TEST_F(StudioGraphTest, NewMachinesTakeTheSmallestFreeNumber)
{
    CMachineContainer* first = studio->AddMachineOfType(pass, 10, 10);
    CMachineContainer* second = studio->AddMachineOfType(pass, 10, 10);
    EXPECT_STREQ(first->GetName(), "ZT Vorize 1");
    EXPECT_STREQ(second->GetName(), "ZT Vorize 2");
    EXPECT_STREQ(second->GetMachine()->GetName(), "ZT Vorize 2");
    studio->RemoveMachine(first);
    CMachineContainer* third = studio->AddMachineOfType(pass, 10, 10);
    EXPECT_STREQ(third->GetName(), "ZT Vorize 1");
    // New containers are appended: creation order, not number order.
    EXPECT_EQ(Names(*studio), (std::vector<std::string>{"ZT Vorize 2", "ZT Vorize 1"}));

    // A name taken by a machine of another type counts too; renaming does not
    // check for duplicates.
    CMachineContainer* level1 = studio->AddMachineOfType(level, 0, 0);
    studio->RenameMachine(level1, "ZT Vorize 3");
    EXPECT_EQ(studio->NewMachineName("ZT Vorize"), "ZT Vorize 4");
    studio->RenameMachine(level1, "ZT Vorize 1");
    EXPECT_STREQ(level1->GetMachine()->GetName(), "ZT Vorize 1");
    EXPECT_EQ(studio->GetContainerCount(), 3);
}

TEST_F(StudioGraphTest, ConnectRulesRefuseSilently)
{
    CMachineContainer* a = studio->AddMachineOfType(level, 0, 0);  // 0 control in, 1 stereo out
    CMachineContainer* b = studio->AddMachineOfType(pass, 0, 0);   // 0 stereo in, 1 stereo out
    CMachineContainer* e = studio->AddMachineOfType(events, 0, 0); // 0 control in, 1 control out

    EXPECT_EQ(studio->Connect(nullptr, Port(b, 0), 1.0), nullptr);
    EXPECT_EQ(studio->Connect(Port(a, 1), Port(e, 0), 1.0), nullptr);  // audio out to control in
    EXPECT_EQ(studio->Connect(Port(a, 0), Port(b, 0), 1.0), nullptr);  // two inputs
    EXPECT_EQ(studio->Connect(Port(a, 1), Port(b, 1), 1.0), nullptr);  // two outputs
    EXPECT_EQ(studio->Connect(Port(b, 1), Port(b, 0), 1.0), nullptr);  // itself
    EXPECT_EQ(CableCount(*studio), 0);

    CConnection* cable = studio->Connect(Port(b, 0), Port(a, 1), 0.25); // input given first
    ASSERT_NE(cable, nullptr);
    EXPECT_EQ(cable->source, Port(a, 1));
    EXPECT_EQ(cable->destination, Port(b, 0));
    EXPECT_EQ(cable->GetTargetVolume(), 0.25);
    EXPECT_EQ(cable->GetCurrentVolume(), 0.25);
    EXPECT_EQ(studio->Connect(Port(a, 1), Port(b, 0), 1.0), nullptr); // the same pair again
    EXPECT_EQ(CableCount(*studio), 1);
    EXPECT_NE(studio->Connect(Port(e, 1), Port(a, 0), 1.0), nullptr); // control to control
    EXPECT_EQ(CableCount(*studio), 2);
}

TEST_F(StudioGraphTest, MonoAndStereoPortsConnectInAnyCombination)
{
    CMachineContainer* mono = studio->AddMachineOfType(monoLevel, 0, 0);
    CMachineContainer* stereo = studio->AddMachineOfType(pass, 0, 0);
    EXPECT_NE(studio->Connect(Port(mono, 1), Port(stereo, 0), 1.0), nullptr);
}

TEST_F(StudioGraphTest, CablesThatWouldHangTheRenderCycleAreRefused)
{
    CMachineContainer* a = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* b = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* c = studio->AddMachineOfType(pass, 0, 0);
    ASSERT_NE(studio->Connect(Port(a, 1), Port(b, 0), 1.0), nullptr);
    ASSERT_NE(studio->Connect(Port(b, 1), Port(c, 0), 1.0), nullptr);
    // c -> a would make a wait for c, which waits for b, which waits for a.
    EXPECT_EQ(studio->Connect(Port(c, 1), Port(a, 0), 1.0), nullptr);

    // Through a late output the loop is fine: the effect does not wait for
    // the send, the mixer waits for the effect only in its late stage.
    CMachineContainer* mixer = studio->AddMachineOfType(aux, 0, 0);
    EXPECT_NE(studio->Connect(Port(mixer, 2), Port(c, 0), 1.0), nullptr);
    EXPECT_NE(studio->Connect(Port(c, 1), Port(mixer, 3), 1.0), nullptr);
    // But a late input alone is no way out: the mixer's normal output would
    // wait for the late stage that waits for it.
    CMachineContainer* d = studio->AddMachineOfType(pass, 0, 0);
    ASSERT_NE(studio->Connect(Port(mixer, 1), Port(d, 0), 1.0), nullptr);
    EXPECT_EQ(studio->Connect(Port(d, 1), Port(mixer, 3), 1.0), nullptr);
}

TEST_F(StudioGraphTest, RemovingAMachineTakesEveryCableFromAndToIt)
{
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* mid = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* dst = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* other = studio->AddMachineOfType(pass, 0, 0);
    studio->Connect(Port(src, 1), Port(mid, 0), 1.0);
    studio->Connect(Port(mid, 1), Port(dst, 0), 1.0);
    studio->Connect(Port(mid, 1), Port(other, 0), 1.0);
    studio->Connect(Port(src, 1), Port(other, 0), 1.0);
    ASSERT_EQ(CableCount(*studio), 4);
    studio->RemoveMachine(mid);
    EXPECT_EQ(CableCount(*studio), 1);
    EXPECT_EQ(Port(other, 0)->GetConnection(0)->source, Port(src, 1));
    EXPECT_EQ(studio->GetContainerCount(), 3);
}

TEST_F(StudioGraphTest, NewProjectLeavesTheMasterAlone)
{
    CRecordingObserver observer;
    studio->AddObserver(&observer);
    studio->AddMachineOfType(pass, 0, 0);
    studio->AddMachineOfType(level, 0, 0);
    studio->NewProject();
    ASSERT_EQ(studio->GetContainerCount(), 1);
    CMachineContainer* master = studio->GetFirst();
    EXPECT_EQ(studio->GetMaster(), master);
    EXPECT_STREQ(master->GetName(), "Master");
    EXPECT_STREQ(master->GetType()->identifier, "Master");
    EXPECT_EQ(master->GetX(), 32);
    EXPECT_EQ(master->GetY(), 32);
    EXPECT_NE(dynamic_cast<CMaster*>(master->GetMachine()), nullptr);
    EXPECT_EQ(observer.log, (std::vector<std::string>{"added ZT Vorize 1", "added ZT Level 1", "removed ZT Vorize 1",
                                                      "removed ZT Level 1", "cleared", "added Master"}));

    // Removing the master forgets it.
    studio->RemoveMachine(master);
    EXPECT_EQ(studio->GetMaster(), nullptr);
    studio->RemoveObserver(&observer);
}

TEST_F(StudioGraphTest, NewProjectWithoutAMasterTypeRaises)
{
    CVelmHost bare(44100, 256, 0);
    CStudio empty(&bare);
    try {
        empty.NewProject();
        FAIL() << "nothing raised";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "Machine <Master> Not Found");
    }
}

TEST_F(StudioGraphTest, ClearAsksTheSequencerUnderItsLock)
{
    CRecordingSequencer sequencer;
    studio->SetSequencer(&sequencer);
    studio->NewProject();
    studio->AddMachineOfType(pass, 0, 0);
    sequencer.calls.clear();
    studio->Clear();
    EXPECT_EQ(sequencer.calls, (std::vector<std::string>{"clear sequence", "clear patterns (locked)"}));
    EXPECT_EQ(studio->GetContainerCount(), 0);
    EXPECT_EQ(studio->GetMaster(), nullptr);
    EXPECT_FALSE(sequencer.lock.IsLocked());
}

TEST_F(StudioGraphTest, ConnectByNumbersUsesMachineNumbersAndPortIndices)
{
    CMachineContainer* a = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* b = studio->AddMachineOfType(pass, 0, 0);
    studio->NumberMachines();
    EXPECT_EQ(a->GetMachine()->machineNumber, 0);
    EXPECT_EQ(b->GetMachine()->machineNumber, 1);
    EXPECT_EQ(b->GetMachine()->ports[1]->portIndex, 1);
    EXPECT_EQ(studio->ConnectByNumbers(0, 1, 2, 0, 1.0), nullptr); // no machine 2
    EXPECT_EQ(studio->ConnectByNumbers(0, 5, 1, 0, 1.0), nullptr); // no port 5
    EXPECT_EQ(studio->ConnectByNumbers(0, -1, 1, 0, 1.0), nullptr);
    CConnection* cable = studio->ConnectByNumbers(0, 1, 1, 0, 0.5);
    ASSERT_NE(cable, nullptr);
    EXPECT_EQ(cable->destination, Port(b, 0));
    EXPECT_EQ(cable->GetTargetVolume(), 0.5);
}

TEST_F(StudioGraphTest, CableVolumeSliderUsesPowerDecibels)
{
    // 0.5 is about -3 dB on the power scale.
    EXPECT_NEAR((CableGainToSliderPosition(0.5) - 1.0) * 90.0, -3.0103, 1e-4);
    EXPECT_NEAR(CableGainToSliderPosition(0.1), 1.0 - 10.0 / 90.0, 1e-12);
    EXPECT_EQ(CableGainToSliderPosition(0.0), 0.0);
    EXPECT_EQ(CableGainToSliderPosition(1e-12), 0.0); // below -90 dB
    EXPECT_EQ(CableGainToSliderPosition(4.0), 1.0);
    EXPECT_EQ(SliderPositionToCableGain(1.0), 1.0);
    EXPECT_NEAR(SliderPositionToCableGain(0.0), 1e-9, 1e-21);
    for (double gain : {0.001, 0.25, 0.5, 0.9})
        EXPECT_NEAR(SliderPositionToCableGain(CableGainToSliderPosition(gain)), gain, 1e-12);
}

TEST_F(StudioGraphTest, RateAndBlockSizeReachTheSequencerFirstThenEveryMachine)
{
    CRecordingSequencer sequencer;
    studio->SetSequencer(&sequencer);
    CMachineContainer* a = studio->AddMachineOfType(pass, 0, 0);
    CMachineContainer* b = studio->AddMachineOfType(level, 0, 0);
    // A new machine hears the host's settings before it is ever processed.
    EXPECT_EQ(Machine<CTestMachine>(a)->sampleRate, 44100);
    EXPECT_EQ(Machine<CTestMachine>(a)->blockSize, 256);

    studio->SetSampleRate(48000);
    studio->SetBlockSize(1024);
    EXPECT_EQ(sequencer.calls, (std::vector<std::string>{"rate 48000 (locked)", "block 1024 (locked)"}));
    for (CMachineContainer* c : {a, b}) {
        EXPECT_EQ(Machine<CTestMachine>(c)->sampleRate, 48000);
        EXPECT_EQ(Machine<CTestMachine>(c)->blockSize, 1024);
    }
    EXPECT_EQ(Machine<CPassMachine>(a)->in->audioBuffer->length, 1024);
    EXPECT_EQ(Machine<CPassMachine>(a)->out->audioBuffer->length, 1024);
    EXPECT_FALSE(sequencer.lock.IsLocked());
}

TEST_F(StudioGraphTest, AddMachineLoadsStateAndKeepsBoxesInThePositiveQuadrant)
{
    CMachineContainer* plain = studio->AddMachine("Plain", knob, -5, 7);
    EXPECT_EQ(plain->GetX(), 0);
    EXPECT_EQ(plain->GetY(), 7);

    const double values[] = {0.1, 0.2, 0.3, 0.4};
    unsigned char blob[8 + sizeof values];
    int32_t header[2] = {kParameterBlobDoubles, 4};
    std::memcpy(blob, header, 8);
    std::memcpy(blob + 8, values, sizeof values);
    CMachineContainer* loaded = studio->AddMachine("Loaded", knob, 1, 2, blob, sizeof blob, true);
    EXPECT_EQ(Machine<CParameterMachine>(loaded)->values, std::vector<double>(values, values + 4));
    EXPECT_EQ(loaded->GetMachine()->owner, loaded);
    EXPECT_EQ(studio->GetMaster(), nullptr); // only the name "Master" makes a master
}

TEST_F(StudioGraphTest, ObserversHearOfGraphAndParameterChanges)
{
    CRecordingObserver observer;
    studio->AddObserver(&observer);
    studio->AddObserver(&observer); // once is enough
    CMachineContainer* k = studio->AddMachineOfType(knob, 0, 0);
    CMachineContainer* l = studio->AddMachineOfType(level, 0, 0);
    CMachineContainer* e = studio->AddMachineOfType(events, 0, 0);
    studio->RenameMachine(k, "ZT Knob 1"); // unchanged: nothing happens
    studio->RenameMachine(k, "Knobs");
    CConnection* cable = studio->Connect(Port(e, 1), Port(l, 0), 1.0);
    studio->Disconnect(cable);
    studio->RemoveMachine(l);
    EXPECT_EQ(observer.log, (std::vector<std::string>{"added ZT Knob 1", "added ZT Level 1", "added ZT Events 1",
                                                      "renamed Knobs", "connections", "connections",
                                                      "removed ZT Level 1"}));

    // A parameter change through the host reaches the machine and the
    // observers (the default editor) through the container.
    host.ParameterChanged(k->GetMachine(), 2, 0.75);
    EXPECT_EQ(Machine<CParameterMachine>(k)->values[2], 0.75);
    ASSERT_EQ(observer.parameters.size(), 1u);
    EXPECT_EQ(observer.parameters[0], (std::pair<int32_t, double>{2, 0.75}));

    // Once removed, an observer hears nothing more.
    const size_t heard = observer.log.size();
    studio->RemoveObserver(&observer);
    studio->RemoveMachine(e);
    EXPECT_EQ(observer.log.size(), heard);
}

TEST_F(StudioGraphTest, RandomizeSetsEveryParameterInsideAProgramChange)
{
    CRecordingObserver observer;
    studio->AddObserver(&observer);
    CMachineContainer* k = studio->AddMachineOfType(knob, 0, 0);
    std::srand(7);
    studio->Randomize(k);
    auto* machine = Machine<CParameterMachine>(k);
    ASSERT_EQ(machine->depths.size(), 4u);
    for (int32_t depth : machine->depths)
        EXPECT_EQ(depth, 1);
    EXPECT_EQ(machine->programChangeDepth, 0);
    ASSERT_EQ(observer.parameters.size(), 4u);
    bool allZero = true;
    for (int i = 0; i < 4; ++i) {
        double v = machine->values[static_cast<size_t>(i)];
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
        // Single-precision steps of 1/32767.
        EXPECT_EQ(v, static_cast<double>(static_cast<float>(std::lround(v * 32767.0)) / 32767.0f));
        EXPECT_EQ(observer.parameters[static_cast<size_t>(i)].second, v);
        allZero = allZero && v == 0.0;
    }
    EXPECT_FALSE(allZero);
    // A machine without parameters is left alone.
    CMachineContainer* l = studio->AddMachineOfType(level, 0, 0);
    studio->Randomize(l);
    EXPECT_EQ(observer.parameters.size(), 4u);
    studio->RemoveObserver(&observer);
}

TEST_F(StudioGraphTest, PreparingForADriverFitsTheMasterToItsChannels)
{
    studio->NewProject();
    CMachineContainer* master = studio->GetMaster();
    CMachineContainer* src = studio->AddMachineOfType(level, 0, 0);
    ASSERT_NE(studio->Connect(Port(src, 1), Port(master, 0), 1.0), nullptr);

    // Stereo already: nothing changes, the cable stays.
    EXPECT_FALSE(studio->PrepareForDriver(2, 48000, 512));
    EXPECT_EQ(master->GetConnector(0)->GetConnectionCount(), 1);
    EXPECT_EQ(host.GetSampleRate(), 48000);
    EXPECT_EQ(host.GetBlockSize(), 512);
    EXPECT_EQ(Machine<CTestMachine>(src)->sampleRate, 48000);
    EXPECT_EQ(Machine<CTestMachine>(src)->blockSize, 512);
    EXPECT_EQ(master->GetMachine()->ports[0]->audioBuffer->length, 512);

    // Mono: one mono "Line In"; the old cable goes with the old port.
    EXPECT_TRUE(studio->PrepareForDriver(1, 44100, 256));
    CMachine* m = master->GetMachine();
    ASSERT_EQ(m->portCount, 1);
    EXPECT_EQ(m->ports[0]->flags, PORT_MONO_AUDIO_IN);
    EXPECT_STREQ(m->ports[0]->name, "Line In");
    ASSERT_EQ(master->GetConnectorCount(), 1);
    EXPECT_EQ(master->GetConnector(0)->GetPort(), m->ports[0]);
    EXPECT_EQ(master->GetConnector(0)->GetConnectionCount(), 0);
    EXPECT_EQ(m->ports[0]->audioBuffer->length, 256);

    EXPECT_TRUE(studio->PrepareForDriver(4, 44100, 256));
    ASSERT_EQ(m->portCount, 4);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m->ports[i]->flags, PORT_MONO_AUDIO_IN);
        EXPECT_EQ(std::string(m->ports[i]->name), "Channel " + std::to_string(i + 1));
    }
    EXPECT_FALSE(studio->PrepareForDriver(4, 44100, 256));
    EXPECT_TRUE(studio->PrepareForDriver(2, 44100, 256));
    EXPECT_EQ(m->ports[0]->flags, PORT_STEREO_AUDIO_IN);

    // Without a master nothing is prepared.
    studio->RemoveMachine(master);
    EXPECT_FALSE(studio->PrepareForDriver(1, 22050, 128));
    EXPECT_EQ(host.GetSampleRate(), 44100);
}

TEST_F(StudioGraphTest, TheMasterTypeIsRegisteredFirst)
{
    ASSERT_GE(host.GetMachineTypeCount(), 1);
    EXPECT_STREQ(host.GetMachineType(0)->name, "Master");
    EXPECT_STREQ(host.GetMachineType(0)->identifier, "Master");
}
