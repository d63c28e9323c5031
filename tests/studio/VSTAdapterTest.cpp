#include "framework/Errors.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CMachineOwner.h"
#include "framework/CPort.h"
#include "studio/CVSTAdapterList.h"
#include "studio/CVelmHost.h"
#include "studio/VSTHostCallback.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::vector<VstInt32> Opcodes(const TestPlugInReport& report, int from = 0)
{
    return std::vector<VstInt32>(report.opcodes + from, report.opcodes + report.opcodeCount);
}

const std::vector<VstInt32> kCreationWithOneQuery = {effSetSampleRate, effSetBlockSize, effOpen, effSetPanLaw,
                                                    effMainsChanged, effCanDo, effStartProcess};

std::string PortSummary(CMachine* machine)
{
    std::string text;
    for (int32_t i = 0; i < machine->portCount; ++i)
        text += "[" + std::string(machine->ports[i]->name) + " " + std::to_string(machine->ports[i]->flags) + "]";
    return text;
}

bool LibraryIsLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

class VSTAdapterTest : public testing::Test {
protected:
    CVelmHost host{44100, 256, 0};

    CVSTAdapterInfo Info(const std::string& kind, VSTEntryKind entry = VSTEntryKind::PluginMain)
    {
        return CVSTAdapterInfo(&host, TestVSTPath(kind), entry, 0);
    }
};

TEST(VSTIdentifierTest, LowFourBitsOfEachByteLeastSignificantFirst)
{
    char identifier[16];
    CVSTAdapterInfo::BuildIdentifier(0x41424344, identifier);
    EXPECT_EQ(std::string(identifier), std::string("VST::\x04\x03\x02\x01"));
    CVSTAdapterInfo::BuildIdentifier(0x44334551, identifier); // "D3EQ"
    EXPECT_EQ(std::string(identifier), std::string("VST::\x01\x05\x03\x04"));
    // A code of 0 ends the identifier early.
    CVSTAdapterInfo::BuildIdentifier(0x64667033, identifier);
    EXPECT_EQ(std::string(identifier), std::string("VST::\x03"));
    CVSTAdapterInfo::BuildIdentifier(0x12345670, identifier);
    EXPECT_EQ(std::string(identifier), "VST::");
    CVSTAdapterInfo::BuildIdentifier(-1, identifier);
    EXPECT_EQ(std::string(identifier), std::string("VST::\x0f\x0f\x0f\x0f"));
}

TEST_F(VSTAdapterTest, ProbeLearnsTheTypeAndUnloadsTheLibrary)
{
    VSTScanRecord record;
    CVSTAdapterInfo* info = CVSTAdapterInfo::Probe(&host, TestVSTPath("gain"), &record);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(record.status, VSTScanStatus::Type);
    EXPECT_EQ(record.uniqueID, 0x41424344);
    EXPECT_EQ(record.entryKind, VSTEntryKind::PluginMain);
    EXPECT_STREQ(info->name, "velm-gain");
    EXPECT_EQ(std::string(info->identifier), std::string("VST::\x04\x03\x02\x01"));
    EXPECT_EQ(std::string(info->GetFolder()), TestVSTFolder() + "/");
    EXPECT_EQ(info->GetInstanceCount(), 0);
    EXPECT_FALSE(info->IsLibraryLoaded());
    EXPECT_FALSE(LibraryIsLoaded(TestVSTPath("gain")));
    info->Release();

    info = CVSTAdapterInfo::Probe(&host, TestVSTPath("main-only"), &record);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(record.entryKind, VSTEntryKind::Main);
    EXPECT_EQ(info->GetEntryKind(), VSTEntryKind::Main);
    info->Release();

    TempFolder temp;
    EXPECT_EQ(CVSTAdapterInfo::Probe(&host, temp.WriteFile("text.so", "not a library"), &record), nullptr);
    EXPECT_EQ(record.status, VSTScanStatus::NotLoadable);
    EXPECT_EQ(CVSTAdapterInfo::Probe(&host, TestMachineLibraryFolder() + "/VelmTestMachines.so", &record), nullptr);
    EXPECT_EQ(record.status, VSTScanStatus::NoEntry);
    EXPECT_EQ(CVSTAdapterInfo::Probe(&host, TestVSTPath("null-effect"), &record), nullptr);
    EXPECT_EQ(record.status, VSTScanStatus::NoEffect);
    EXPECT_FALSE(LibraryIsLoaded(TestVSTPath("null-effect")));
}

TEST_F(VSTAdapterTest, CreationAndDestructionCallTheDispatcherInOrder)
{
    TestPlugInReport mirror{};
    {
        CVSTAdapterInfo info = Info("gain");
        AdapterPtr adapter = CreateAdapter(info);
        ASSERT_NE(adapter->GetEffect(), nullptr);
        MirrorReport(adapter.get(), &mirror);
        EXPECT_EQ(Opcodes(mirror), kCreationWithOneQuery);
        EXPECT_EQ(mirror.sampleRate, 44100.0f);
        EXPECT_EQ(mirror.blockSize, 256);
        EXPECT_EQ(std::bit_cast<uint32_t>(mirror.panLaw), 0x3F3504F7u);
        // The questions of the entry came with a null effect.
        EXPECT_EQ(mirror.entryVersion, 2400);
        EXPECT_EQ(mirror.entrySampleRate, 44100);
        EXPECT_EQ(mirror.entryBlockSize, 256);
        EXPECT_STREQ(mirror.entryVendor, "Velmora");
        // A question with its own record before the host knew it finds no
        // machine.
        EXPECT_EQ(mirror.entryTimeWithRecord, 0);
        EXPECT_EQ(adapter->GetEffect()->resvd1, reinterpret_cast<VstIntPtr>(adapter.get()));
        EXPECT_EQ(adapter->typeId, 0x41424344);
        EXPECT_EQ(adapter->parameterCount, 4);
        EXPECT_EQ(adapter->programCount, 2);
    }
    const std::vector<VstInt32> destruction = {effStopProcess, effMainsChanged, effClose};
    EXPECT_EQ(Opcodes(mirror, mirror.opcodeCount - 3), destruction);

    // An instrument that declines the first query is asked the usual one.
    CVSTAdapterInfo info = Info("synth");
    AdapterPtr synth = CreateAdapter(info);
    const std::vector<VstInt32> twoQueries = {effSetSampleRate, effSetBlockSize, effOpen,       effSetPanLaw,
                                              effMainsChanged,  effCanDo,        effCanDo,      effStartProcess};
    EXPECT_EQ(Opcodes(ReportOf(synth.get())), twoQueries);
}

TEST_F(VSTAdapterTest, PortLayouts)
{
    struct Case {
        const char* kind;
        const char* ports;
    };
    const Case cases[] = {
        // Answers "receiveVstMIDIEvent": control port first.
        {"gain", "[Control In 18][Line In 1 273][Line Out 1 289]"},
        {"declines-events", "[Control In 18][Line In 1 273][Line Out 1 289]"},
        // Four outputs, no inputs, declines the query: mono outputs only.
        {"four-outputs", "[Line Out 1 33][Line Out 2 33][Line Out 3 33][Line Out 4 33]"},
        {"chunks", "[Line In 1 17][Line Out 1 33]"},
        {"main-only", "[Line In 1 273][Line Out 1 289]"},
        // A synthesizer answering only the usual spelling: control port
        // after the audio ports.
        {"synth", "[Line Out 1 289][Control In 18]"},
        {"no-audio", "[Control In 18]"},
    };
    for (const Case& c : cases) {
        CVSTAdapterInfo info = Info(c.kind, std::string(c.kind) == "main-only" ? VSTEntryKind::Main : VSTEntryKind::PluginMain);
        AdapterPtr adapter = CreateAdapter(info);
        EXPECT_EQ(PortSummary(adapter.get()), c.ports) << c.kind;
        EXPECT_EQ(adapter->GetControlPort() != nullptr, std::string(c.ports).find("Control") != std::string::npos) << c.kind;
    }
}

TEST_F(VSTAdapterTest, EventsBecomeMidiEventsInsideTheBlock)
{
    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    CControlBuffer* events = adapter->GetControlPort()->controlBuffer;
    MachineEvent on = MakeEvent(10, EVENT_NOTE_ON, 60, 0.5, 261.6);
    MachineEvent off = MakeEvent(300, EVENT_NOTE_OFF, 60, 0.0); // past the block
    MachineEvent control = MakeEvent(20, EVENT_CONTROL_CHANGE, 1, 0.5);
    MachineEvent wide = MakeEvent(30, EVENT_NOTE_ON_INT, 61, 1.0);
    MachineEvent loud = MakeEvent(40, EVENT_NOTE_ON, 62, 1.5);
    for (MachineEvent* event : {&on, &off, &control, &wide, &loud})
        events->PushEvent(event);
    adapter->Process();

    TestPlugInReport report = ReportOf(adapter.get());
    ASSERT_EQ(report.processEventsCalls, 1);
    ASSERT_EQ(report.eventCount, 3);
    const VstMidiEvent& first = report.events[0];
    EXPECT_EQ(first.type, kVstMidiType);
    EXPECT_EQ(first.byteSize, 24);
    EXPECT_EQ(first.deltaFrames, 10);
    EXPECT_EQ(static_cast<uint8_t>(first.midiData[0]), 0x90);
    EXPECT_EQ(first.midiData[1], 60);
    EXPECT_EQ(first.midiData[2], 63); // truncate(0.5 * 127)
    EXPECT_EQ(first.midiData[3], 0);
    EXPECT_EQ(first.flags | first.noteLength | first.noteOffset | first.detune | first.noteOffVelocity, 0);
    EXPECT_EQ(report.events[1].midiData[2], 127); // a velocity above 1 stays a MIDI byte
    const VstMidiEvent& last = report.events[2];
    EXPECT_EQ(static_cast<uint8_t>(last.midiData[0]), 0x80);
    EXPECT_EQ(last.midiData[1], 60);
    EXPECT_EQ(last.midiData[2], 0);
    EXPECT_EQ(last.deltaFrames, 255);
    EXPECT_EQ(events->Count(), 0);

    // A block without events sends nothing.
    adapter->Process();
    EXPECT_EQ(ReportOf(adapter.get()).processEventsCalls, 1);

    // The appended control port of a synthesizer delivers as well.
    CVSTAdapterInfo synthInfo = Info("synth");
    AdapterPtr synth = CreateAdapter(synthInfo);
    ASSERT_EQ(synth->GetControlPort(), synth->ports[1]);
    synth->GetControlPort()->controlBuffer->PushEvent(&on);
    synth->Process();
    report = ReportOf(synth.get());
    ASSERT_EQ(report.eventCount, 1);
    EXPECT_EQ(report.events[0].midiData[1], 60);
}

TEST_F(VSTAdapterTest, APlugInThatAnswersZeroToEventsStillGetsThemInEveryBlock)
{
    CVSTAdapterInfo info = Info("declines-events");
    AdapterPtr adapter = CreateAdapter(info);
    CControlBuffer* events = adapter->GetControlPort()->controlBuffer;
    // Four notes in four blocks, each released in the block after; the
    // last block has no events.
    const int notes[] = {60, 64, 67, 72};
    int sent = 0;
    for (int block = 0; block < 9; ++block) {
        if (block % 2 == 0 && block / 2 < 4) {
            MachineEvent on = MakeEvent(13 * block, EVENT_NOTE_ON, notes[block / 2], 1.0);
            events->PushEvent(&on);
            ++sent;
        }
        if (block % 2 == 1) {
            MachineEvent off = MakeEvent(200, EVENT_NOTE_OFF, notes[block / 2], 0.0);
            events->PushEvent(&off);
            ++sent;
        }
        adapter->Process();
        EXPECT_EQ(events->Count(), 0);
    }
    EXPECT_TRUE(adapter->DeclinedEvents());
    EXPECT_TRUE(adapter->DeliversEvents());
    TestPlugInReport report = ReportOf(adapter.get());
    ASSERT_EQ(report.processEventsCalls, 8);
    ASSERT_EQ(report.eventCount, sent);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(report.eventsPerCall[i], 1) << i;
        const VstMidiEvent& event = report.events[i];
        EXPECT_EQ(event.midiData[1], notes[i / 2]) << i;
        EXPECT_EQ(static_cast<uint8_t>(event.midiData[0]), i % 2 == 0 ? 0x90 : 0x80) << i;
        EXPECT_EQ(event.deltaFrames, i % 2 == 0 ? 13 * i : 200) << i;
    }
}

TEST_F(VSTAdapterTest, FloatPathConvertsAndZeroesOutputs)
{
    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    adapter->SetParameter(0, 1.0); // +12 dB
    // A length that does not divide into the converters' groups of four.
    adapter->ResizeBuffers(250);
    adapter->SetBlockSize(250);
    CAudioBuffer* in = adapter->ports[1]->audioBuffer;
    CAudioBuffer* out = adapter->ports[2]->audioBuffer;
    for (int32_t i = 0; i < in->length; ++i) {
        in->left[i] = 0.001 * i;
        in->right[i] = -0.3;
    }
    adapter->Process();
    const float gain = static_cast<float>(std::pow(10.0, 12.0 / 20.0));
    for (int32_t i = 0; i < out->length; ++i) {
        ASSERT_EQ(out->left[i], static_cast<double>(static_cast<float>(0.001 * i) * gain)) << i;
        ASSERT_EQ(out->right[i], static_cast<double>(-0.3f * gain)) << i;
    }
    TestPlugInReport report = ReportOf(adapter.get());
    EXPECT_EQ(report.processReplacingCalls, 1);
    EXPECT_EQ(report.lastFrames, 250);
    EXPECT_FALSE(adapter->ProcessesDoubles());

    // Without the replacing flag the accumulating process runs into zeroed
    // outputs.
    CVSTAdapterInfo legacyInfo = Info("main-only", VSTEntryKind::Main);
    AdapterPtr legacy = CreateAdapter(legacyInfo);
    CAudioBuffer* legacyIn = legacy->ports[0]->audioBuffer;
    CAudioBuffer* legacyOut = legacy->ports[1]->audioBuffer;
    for (int32_t i = 0; i < legacyIn->length; ++i) {
        legacyIn->left[i] = legacyIn->right[i] = 0.5;
        legacyOut->left[i] = legacyOut->right[i] = 7.0;
    }
    legacy->Process();
    legacy->Process();
    for (int32_t i = 0; i < legacyOut->length; ++i) {
        ASSERT_EQ(legacyOut->left[i], 0.25);
        ASSERT_EQ(legacyOut->right[i], 0.25);
    }
    EXPECT_EQ(ReportOf(legacy.get()).processCalls, 2);
    EXPECT_EQ(ReportOf(legacy.get()).processReplacingCalls, 0);
}

TEST_F(VSTAdapterTest, DoublePathWritesThePortsDirectly)
{
    CVSTAdapterInfo info = Info("four-outputs");
    AdapterPtr adapter = CreateAdapter(info);
    EXPECT_TRUE(adapter->ProcessesDoubles());
    adapter->Process();
    for (int32_t port = 0; port < 4; ++port) {
        CAudioBuffer* out = adapter->ports[port]->audioBuffer;
        for (int32_t i = 0; i < out->length; ++i)
            ASSERT_EQ(out->left[i], 0.1 * (port + 1)) << port; // not rounded through float
    }
    TestPlugInReport report = ReportOf(adapter.get());
    EXPECT_EQ(report.processDoubleCalls, 1);
    EXPECT_EQ(report.processReplacingCalls, 0);
}

TEST_F(VSTAdapterTest, APlugInWithoutAudioIsProcessedToo)
{
    CVSTAdapterInfo info = Info("no-audio");
    AdapterPtr adapter = CreateAdapter(info);
    MachineEvent on = MakeEvent(3, EVENT_NOTE_ON, 64, 1.0);
    adapter->GetControlPort()->controlBuffer->PushEvent(&on);
    adapter->Process();
    TestPlugInReport report = ReportOf(adapter.get());
    EXPECT_EQ(report.processEventsCalls, 1);
    EXPECT_EQ(report.processReplacingCalls, 1);
    EXPECT_EQ(report.lastFrames, 256);
}

TEST_F(VSTAdapterTest, BlockSizeChangesFollowThePorts)
{
    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    adapter->ResizeBuffers(64);
    adapter->SetBlockSize(64);
    adapter->Process();
    TestPlugInReport report = ReportOf(adapter.get());
    EXPECT_EQ(report.blockSize, 64);
    EXPECT_EQ(report.lastFrames, 64);

    adapter->ResizeBuffers(1024);
    adapter->SetBlockSize(1024);
    adapter->Process();
    EXPECT_EQ(ReportOf(adapter.get()).lastFrames, 1024);

    // A block size the ports have not caught up with is never processed
    // past their ends.
    adapter->SetBlockSize(4096);
    adapter->Process();
    EXPECT_EQ(ReportOf(adapter.get()).lastFrames, 1024);

    const int32_t calls = ReportOf(adapter.get()).processReplacingCalls;
    adapter->SetBlockSize(0);
    adapter->Process();
    EXPECT_EQ(ReportOf(adapter.get()).processReplacingCalls, calls);

    adapter->SetSampleRate(96000);
    EXPECT_EQ(ReportOf(adapter.get()).sampleRate, 96000.0f);
}

TEST_F(VSTAdapterTest, ParametersProgramsAndTexts)
{
    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    char text[kMachineTextSize];
    adapter->GetParameterName(0, text);
    EXPECT_STREQ(text, "Output Gain Of The Test");
    adapter->SetParameter(0, 1.0);
    EXPECT_EQ(adapter->GetParameter(0), 1.0);
    adapter->GetParameterDisplay(0, text);
    EXPECT_STREQ(text, "12.0dB");
    adapter->SetParameter(2, 0.25);
    adapter->GetParameterDisplay(2, text);
    EXPECT_STREQ(text, "0.25");

    // Outside the plug-in's parameters nothing reaches it.
    adapter->SetParameter(4, 1.0);
    EXPECT_EQ(adapter->GetParameter(4), 0.0);
    EXPECT_EQ(adapter->GetParameter(-1), 0.0);
    adapter->GetParameterName(4, text);
    EXPECT_STREQ(text, "");

    adapter->GetProgramNameIndexed(1, text);
    EXPECT_STREQ(text, "Test Program 1");
    adapter->SetProgram(1);
    EXPECT_EQ(ReportOf(adapter.get()).programSet, 1);
    EXPECT_EQ(adapter->GetProgram(), 1);
    EXPECT_FALSE(adapter->IsGenerator());

    CVSTAdapterInfo synthInfo = Info("synth");
    EXPECT_TRUE(CreateAdapter(synthInfo)->IsGenerator());
}

TEST_F(VSTAdapterTest, TheTypeNamedSfzStartsWithItsFourthParameterAtOneHalf)
{
    TempFolder temp;
    std::filesystem::copy_file(TestVSTPath("gain"), temp / "sfz.so");
    std::filesystem::copy_file(TestVSTPath("gain"), temp / "sfz2.so");
    CVSTAdapterInfo sfz(&host, temp / "sfz.so", VSTEntryKind::PluginMain, 0);
    CVSTAdapterInfo other(&host, temp / "sfz2.so", VSTEntryKind::PluginMain, 0);
    EXPECT_STREQ(sfz.name, "sfz");
    EXPECT_EQ(CreateAdapter(sfz)->GetParameter(3), 0.5);
    EXPECT_EQ(CreateAdapter(other)->GetParameter(3), 0.0);
}

TEST_F(VSTAdapterTest, ChunksRoundTripAndOtherwiseTheParameterList)
{
    CVSTAdapterInfo info = Info("chunks");
    void* data = nullptr;
    int32_t size = 0;
    bool isList = true;
    {
        AdapterPtr adapter = CreateAdapter(info);
        for (int32_t i = 0; i < 4; ++i)
            adapter->SetParameter(i, 0.125 * (i + 1));
        adapter->SaveState(&data, &size, &isList);
        EXPECT_EQ(ReportOf(adapter.get()).chunkIndex, 1);
    }
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(isList);
    EXPECT_EQ(size, 20);
    const std::vector<unsigned char> saved(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    AdapterPtr fresh = CreateAdapter(info);
    fresh->LoadState(data, size, false);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(fresh->GetParameter(i), 0.125 * (i + 1));
    TestPlugInReport report = ReportOf(fresh.get());
    EXPECT_EQ(report.chunkIndex, 1);
    EXPECT_EQ(report.chunkSize, 20);
    // The plug-in scribbled over its copy, not over the caller's data.
    EXPECT_EQ(std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size), saved);
    std::free(data);

    // Without a chunk: the parameter list.
    CVSTAdapterInfo gainInfo = Info("gain");
    AdapterPtr gain = CreateAdapter(gainInfo);
    gain->SetParameter(1, 0.75);
    gain->SaveState(&data, &size, &isList);
    EXPECT_TRUE(isList);
    ASSERT_EQ(size, 8 + 4 * 8);
    int32_t magic;
    std::memcpy(&magic, data, 4);
    EXPECT_EQ(magic, kParameterBlobDoubles);
    AdapterPtr gainFresh = CreateAdapter(gainInfo);
    gainFresh->LoadState(data, size, true);
    EXPECT_EQ(gainFresh->GetParameter(1), 0.75);
    EXPECT_EQ(gainFresh->GetParameter(0), 0.5);
    std::free(data);
}

TEST_F(VSTAdapterTest, InstancesShareOneLoadedLibrary)
{
    CVSTAdapterInfo info = Info("gain");
    EXPECT_FALSE(info.IsLibraryLoaded());
    AdapterPtr first = CreateAdapter(info);
    AdapterPtr second = CreateAdapter(info);
    EXPECT_EQ(info.GetInstanceCount(), 2);
    EXPECT_TRUE(LibraryIsLoaded(TestVSTPath("gain")));
    EXPECT_EQ(first->GetEffect()->dispatcher, second->GetEffect()->dispatcher);
    first.reset();
    EXPECT_EQ(info.GetInstanceCount(), 1);
    EXPECT_TRUE(info.IsLibraryLoaded());
    second.reset();
    EXPECT_EQ(info.GetInstanceCount(), 0);
    EXPECT_FALSE(info.IsLibraryLoaded());
    EXPECT_FALSE(LibraryIsLoaded(TestVSTPath("gain")));

    // A file that went away gives a machine without a plug-in.
    TempFolder temp;
    std::filesystem::copy_file(TestVSTPath("gain"), temp / "gone.so");
    CVSTAdapterInfo gone(&host, temp / "gone.so", VSTEntryKind::PluginMain, 0x41424344);
    std::filesystem::remove(temp / "gone.so");
    AdapterPtr empty = CreateAdapter(gone);
    EXPECT_EQ(empty->GetEffect(), nullptr);
    EXPECT_EQ(empty->portCount, 0);
}

TEST_F(VSTAdapterTest, AMachineWithoutEffectAnswersLikeTheDefault)
{
    CVSTAdapterInfo info = Info("null-effect");
    AdapterPtr adapter = CreateAdapter(info);
    EXPECT_EQ(adapter->GetEffect(), nullptr);
    EXPECT_EQ(adapter->portCount, 0);
    EXPECT_EQ(adapter->parameterCount, 0);
    adapter->Process();
    adapter->SetParameter(0, 1.0);
    EXPECT_EQ(adapter->GetParameter(0), 0.0);
    char text[kMachineTextSize] = "x";
    adapter->GetParameterDisplay(0, text);
    EXPECT_STREQ(text, "");
    adapter->GetProgramNameIndexed(0, text);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(adapter->IsGenerator());
    void* data = nullptr;
    int32_t size = 0;
    bool isList = false;
    adapter->SaveState(&data, &size, &isList);
    EXPECT_TRUE(isList);
    EXPECT_EQ(size, 8);
    std::free(data);
    adapter->LoadState("abc", 3, false);
    EXPECT_EQ(adapter->CreateGUI(nullptr), nullptr);
}

class RecordingOwner : public CMachineOwner {
public:
    void OwnerParameterChanged(CMachine* machine, int32_t index, double value) override
    {
        changes.push_back({machine, index, value});
        machine->SetParameter(index, value);
    }
    struct Change {
        CMachine* machine;
        int32_t index;
        double value;
    };
    std::vector<Change> changes;
};

TEST_F(VSTAdapterTest, HostCallbackAnswers)
{
    // Without an effect: only the versions, rates and vendor.
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    char vendor[kVstVendorSize] = {};
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterGetVendorString, 0, 0, vendor, 0.0f), 1);
    EXPECT_STREQ(vendor, "Velmora");
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterCanDo, 0, 0, const_cast<char*>("supplyIdle"), 0.0f), 0);

    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    host.SetSampleRateAndBlockSize(48000, 128);
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 48000);
    EXPECT_EQ(VSTHostCallback(nullptr, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f), 128);
    host.SetSampleRateAndBlockSize(44100, 256);

    for (const char* yes : {"sendVstEvents", "sendVstMIDIEvent", "sendVstTimeInfo", "receiveVstEvents",
                            "receiveVstMIDIEvent", "receiveVstTimeInfo", "supplyIdle"})
        EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"receiveVstMidiEvent", "sendVstMidiEvent", "supplyIdl", "supplyIdleX", ""})
        EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterCanDo, 0, 0, const_cast<char*>(no)), 0) << no;
    EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterCanDo), 0);

    host.AdvancePosition(1000);
    auto* time = reinterpret_cast<VstTimeInfo*>(PlugInAsks(adapter.get(), audioMasterGetTime, 0, 0));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->samplePos, 1000.0);
    EXPECT_EQ(time->sampleRate, 44100.0);
    EXPECT_EQ(time->flags, 0);
    EXPECT_EQ(time->tempo, 0.0);
    EXPECT_EQ(time->timeSigNumerator, 0);
    EXPECT_EQ(time->ppqPos + time->nanoSeconds + time->barStartPos, 0.0);
    time = reinterpret_cast<VstTimeInfo*>(
        PlugInAsks(adapter.get(), audioMasterGetTime, 0, kVstTempoValid | kVstTimeSigValid | 0x200));
    EXPECT_EQ(time->tempo, 140.0);
    EXPECT_EQ(time->timeSigNumerator, 1);
    EXPECT_EQ(time->timeSigDenominator, 4);
    EXPECT_EQ(time->flags, kVstTempoValid | kVstTimeSigValid);

    EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterTempoAt), 1400000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(PlugInAsks(adapter.get(), audioMasterGetDirectory))),
              TestVSTFolder() + "/");
    EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterIOChanged), 0);
    EXPECT_EQ(PlugInAsks(adapter.get(), 99), 0);

    // Automation goes through the host: straight to the machine without an
    // owner, through the owner with one.
    PlugInAsks(adapter.get(), audioMasterAutomate, 1, 0, nullptr, 0.25f);
    EXPECT_EQ(adapter->GetParameter(1), 0.25);
    RecordingOwner owner;
    adapter->owner = &owner;
    PlugInAsks(adapter.get(), audioMasterAutomate, 2, 0, nullptr, 0.5f);
    ASSERT_EQ(owner.changes.size(), 1u);
    EXPECT_EQ(owner.changes[0].machine, adapter.get());
    EXPECT_EQ(owner.changes[0].index, 2);
    EXPECT_EQ(owner.changes[0].value, 0.5);
    EXPECT_EQ(adapter->GetParameter(2), 0.5);
    adapter->owner = nullptr;

    // A record that does not name its machine is found in the list.
    adapter->GetEffect()->resvd1 = 0;
    EXPECT_NE(PlugInAsks(adapter.get(), audioMasterGetTime), 0);
    EXPECT_EQ(PlugInAsks(adapter.get(), audioMasterTempoAt), 1400000);
    AEffect stranger{};
    EXPECT_EQ(VSTHostCallback(&stranger, audioMasterTempoAt, 0, 0, nullptr, 0.0f), 0);
    adapter->GetEffect()->resvd1 = reinterpret_cast<VstIntPtr>(adapter.get());
}

TEST_F(VSTAdapterTest, MachinesJoinAndLeaveTheGlobalList)
{
    CVSTAdapterList& list = CVSTAdapterList::Get();
    const int32_t before = list.Count();
    CVSTAdapterInfo info = Info("gain");
    AdapterPtr adapter = CreateAdapter(info);
    EXPECT_EQ(list.Count(), before + 1);
    EXPECT_TRUE(list.IsIdleThreadRunning());
    AEffect* effect = adapter->GetEffect();
    EXPECT_EQ(list.FindByEffect(effect), adapter.get());
    adapter.reset();
    EXPECT_EQ(list.Count(), before);
    EXPECT_EQ(list.FindByEffect(effect), nullptr);
}

} // namespace

namespace {

std::vector<double> Output(CVSTAdapter* adapter, int32_t port, bool right)
{
    CAudioBuffer* out = adapter->ports[port]->audioBuffer;
    const double* samples = right ? out->right : out->left;
    return std::vector<double>(samples, samples + out->length);
}

} // namespace

TEST_F(VSTAdapterTest, NonFiniteOutputIsSilencedForThatBlockAndCounted)
{
    CVSTAdapterInfo info = Info("misbehaves");
    AdapterPtr adapter = CreateAdapter(info);
    ASSERT_EQ(adapter->portCount, 2);
    TestMisbehaviour bad{};
    bad.throwOpcode = -1;
    bad.nonFiniteBlocks = 2;
    TellToMisbehave(adapter.get(), bad);
    CAudioBuffer* in = adapter->ports[0]->audioBuffer;
    for (int block = 0; block < 3; ++block) {
        std::fill(in->left, in->left + in->length, 0.5);
        std::fill(in->right, in->right + in->length, 0.25);
        adapter->Process();
        const std::vector<double> left = Output(adapter.get(), 1, false);
        const std::vector<double> right = Output(adapter.get(), 1, true);
        // A good block passes untouched (the gain is 0 dB).
        EXPECT_EQ(left, std::vector<double>(left.size(), block < 2 ? 0.0 : 0.5)) << block;
        EXPECT_EQ(right, std::vector<double>(right.size(), block < 2 ? 0.0 : 0.25)) << block;
    }
    EXPECT_EQ(adapter->GetNonFiniteBlocks(), 2);
    EXPECT_FALSE(adapter->IsFaulted());
}

namespace {
// Error boxes shown from any thread (the plug-in idle thread tells the user
// of a failure when no window does).
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
} // namespace

TEST_F(VSTAdapterTest, APlugInThatThrowsIsBypassedAndReportedOnce)
{
    CBoxRecorder recorder;
    struct Case {
        const char* what;
        TestMisbehaviour bad;
        std::function<void(CVSTAdapter*)> trigger;
    };
    const Case cases[] = {
        {"processReplacing", {-1, true, false, false, 0, 0}, [](CVSTAdapter* a) { a->Process(); }},
        {"the dispatcher", {effGetParamDisplay, false, false, false, 0, 0},
         [](CVSTAdapter* a) {
             char text[kMachineTextSize];
             a->GetParameterDisplay(0, text);
             EXPECT_STREQ(text, "");
         }},
        {"setParameter", {-1, false, true, false, 0, 0}, [](CVSTAdapter* a) { a->SetParameter(0, 0.9); }},
        {"getParameter", {-1, false, false, true, 0, 0}, [](CVSTAdapter* a) { EXPECT_EQ(a->GetParameter(0), 0.0); }},
    };
    for (const Case& c : cases) {
        CVSTAdapterInfo info = Info("misbehaves");
        AdapterPtr adapter = CreateAdapter(info);
        TellToMisbehave(adapter.get(), c.bad);
        ASSERT_NO_THROW(c.trigger(adapter.get())) << c.what;
        ASSERT_TRUE(adapter->IsFaulted()) << c.what;
        EXPECT_STREQ(adapter->GetFaultText(), c.what);

        // Bypassed: inputs to outputs, and the plug-in is not called again.
        const TestPlugInReport before = ReportOf(adapter.get());
        CAudioBuffer* input = adapter->ports[0]->audioBuffer;
        std::fill(input->left, input->left + input->length, 0.3);
        std::fill(input->right, input->right + input->length, -0.2);
        adapter->Process();
        adapter->SetParameter(1, 0.5);
        char text[kMachineTextSize];
        adapter->GetParameterName(1, text);
        EXPECT_EQ(Output(adapter.get(), 1, false), std::vector<double>(input->length, 0.3)) << c.what;
        EXPECT_EQ(Output(adapter.get(), 1, true), std::vector<double>(input->length, -0.2)) << c.what;
        const TestPlugInReport after = ReportOf(adapter.get());
        EXPECT_EQ(after.opcodeCount, before.opcodeCount) << c.what;
        EXPECT_EQ(after.processReplacingCalls, before.processReplacingCalls) << c.what;

        // The user hears of it once: from whoever takes the report first,
        // the idle thread (an error box) or the window (here the test).
        std::vector<std::string> reports = CVSTAdapterList::Get().TakeProblemReports(false);
        {
            std::lock_guard<std::mutex> guard(shownLock);
            reports.insert(reports.end(), shownBoxes.begin(), shownBoxes.end());
            shownBoxes.clear();
        }
        ASSERT_EQ(reports.size(), 1u) << c.what;
        EXPECT_EQ(reports[0], std::string("VST PlugIn <velm-misbehaves> Failed In ") + c.what + " And Is Bypassed");
        EXPECT_TRUE(CVSTAdapterList::Get().TakeProblemReports(false).empty()) << c.what;
    }
}

TEST_F(VSTAdapterTest, AFailedPlugInStillSavesItsStateNotZeros)
{
    // It threw while processing, but still answers for its parameters.
    CVSTAdapterInfo info = Info("misbehaves");
    AdapterPtr adapter = CreateAdapter(info);
    for (int32_t i = 0; i < 4; ++i)
        adapter->SetParameter(i, 0.1 * (i + 1));
    TellToMisbehave(adapter.get(), {-1, true, false, false, 0, 0});
    adapter->Process();
    ASSERT_TRUE(adapter->IsFaulted());
    void* data = nullptr;
    int32_t size = 0;
    bool isList = false;
    adapter->SaveState(&data, &size, &isList);
    ASSERT_TRUE(isList);
    ASSERT_EQ(size, 8 + 4 * 8);
    for (int32_t i = 0; i < 4; ++i) {
        double value;
        std::memcpy(&value, static_cast<char*>(data) + 8 + 8 * i, sizeof value);
        EXPECT_EQ(value, static_cast<double>(static_cast<float>(0.1 * (i + 1)))) << i;
    }

    // One that fails again when asked: the state it was last given.
    AdapterPtr again = CreateAdapter(info);
    again->LoadState(data, size, true);
    TellToMisbehave(again.get(), {-1, false, false, true, 0, 0});
    EXPECT_EQ(again->GetParameter(0), 0.0);
    ASSERT_TRUE(again->IsFaulted());
    void* rescued = nullptr;
    int32_t rescuedSize = 0;
    bool rescuedList = false;
    again->SaveState(&rescued, &rescuedSize, &rescuedList);
    ASSERT_EQ(rescuedSize, size);
    EXPECT_TRUE(rescuedList);
    EXPECT_EQ(std::memcmp(rescued, data, static_cast<size_t>(size)), 0);
    std::free(rescued);
    std::free(data);
    CVSTAdapterList::Get().TakeProblemReports(false);
}
