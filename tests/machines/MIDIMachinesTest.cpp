// The MIDI machines: message translation, channel filter, the 80 ms
// placement, held-back events and state blobs; then the real thing through
// a JACK server's MIDI ports, with a keyboard stand-in and a receiver.
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "machines/CMIDIDevices.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "platform/OsTime.h"
#include "studio/CVelmHost.h"
#include "support/JackTestServer.h"
#include "support/RaisedText.h"
#include <RtMidi.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 256;

CVelmHost& Host()
{
    static CVelmHost host(kRate, kBlock, 0);
    return host;
}

std::vector<MachineEvent> Drain(CControlBuffer* buffer)
{
    std::vector<MachineEvent> events;
    MachineEvent event;
    while (buffer->PopEvent(&event))
        events.push_back(event);
    return events;
}

// Runs blocks until `events` came out or the time is up; the blocks are
// paced by the clock as a driver paces them.
std::vector<MachineEvent> ProcessUntil(CMIDIInput& input, size_t events, int milliseconds)
{
    std::vector<MachineEvent> out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (out.size() < events && std::chrono::steady_clock::now() < deadline) {
        input.ports[0]->controlBuffer->Clear();
        input.Process();
        for (const MachineEvent& event : Drain(input.ports[0]->controlBuffer))
            out.push_back(event);
        std::this_thread::sleep_for(std::chrono::microseconds(kBlock * 1000000LL / kRate));
    }
    return out;
}

struct Bytes3 {
    uint8_t status, data1, data2;
    bool operator==(const Bytes3&) const = default;
};

} // namespace

TEST(MIDIInputTest, TranslatesAndFiltersMessages)
{
    CMIDIInput input(&Host(), nullptr);
    // Velocity 0 on channel 3 (status 0x92) is a note off.
    for (int32_t filter : {-1, 2, 5}) {
        input.SetChannelFilter(filter);
        input.Receive(0x92, 61, 0);
    }
    input.SetChannelFilter(-1);
    input.Receive(0x90, 60, 127);
    input.Receive(0x85, 60, 30);
    input.Receive(0xb1, 7, 64);
    input.Receive(0xe0, 0, 64); // pitch bend: ignored
    input.Receive(0xc0, 5, 0);  // program change: ignored
    std::vector<MachineEvent> out = ProcessUntil(input, 5, 5000);
    ASSERT_EQ(out.size(), 5u);
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
    EXPECT_EQ(out[0].kind, EVENT_CONTROL_CHANGE);
    EXPECT_EQ(out[0].key, 7);
    EXPECT_DOUBLE_EQ(out[0].value, 64 / 127.0);
    int offs = 0;
    for (const MachineEvent& event : out) {
        if (event.key == 61) {
            EXPECT_EQ(event.kind, EVENT_NOTE_OFF);
            ++offs;
        }
        if (event.key == 60 && event.kind == EVENT_NOTE_ON) {
            EXPECT_DOUBLE_EQ(event.value, 1.0);
            double hz = 0;
            Host().GetNoteFrequency(60, &hz);
            EXPECT_DOUBLE_EQ(event.frequency, hz);
        }
    }
    EXPECT_EQ(offs, 2) << "filter 5 drops the channel 3 message";
}

TEST(MIDIInputTest, EventsSoundEightyMillisecondsAfterArrival)
{
    CMIDIInput input(&Host(), nullptr);
    int64_t arrival = platform::PerformanceCounterNs();
    input.Receive(0x90, 60, 100);
    // At once, the event lies 3528 frames ahead: it is held back.
    input.Process();
    EXPECT_EQ(input.ports[0]->controlBuffer->Count(), 0);
    // Wait until the block that holds arrival + 80 ms begins.
    while (platform::PerformanceCounterNs() < arrival + 80000000 - 2000000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    input.ports[0]->controlBuffer->Clear();
    int64_t start = platform::PerformanceCounterNs();
    input.Process();
    std::vector<MachineEvent> out = Drain(input.ports[0]->controlBuffer);
    ASSERT_EQ(out.size(), 1u);
    // Its frame: 80 ms after the arrival, counted from this block's start.
    int64_t expected = (arrival + 80000000 - start) * kRate / 1000000000;
    EXPECT_NEAR(out[0].time, std::max<int64_t>(expected, 0), 2);
    EXPECT_LT(out[0].time, kBlock);
}

TEST(MIDIInputTest, StateBlobAndHooks)
{
    CMIDIDevices devices({"keys"}, {"synth"});
    CMIDIInput input(&Host(), &devices);
    input.SetChannelFilter(4);
    std::vector<uint8_t> four = {1, 0, 0, 0};
    input.LoadState(four.data(), 4, false);
    EXPECT_EQ(input.GetChannelFilter(), 4);
    std::vector<uint8_t> blob = {0xff, 0xff, 0xff, 0xff, 9, 0, 0, 0};
    input.LoadState(blob.data(), 8, false);
    EXPECT_EQ(input.GetChannelFilter(), 9);
    EXPECT_EQ(input.GetDeviceIndex(), -1);
    void* data = nullptr;
    int32_t size = 0;
    bool parameterList = true;
    input.SaveState(&data, &size, &parameterList);
    ASSERT_EQ(size, 8);
    EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + 8), blob);
    std::free(data);

    // Hooks: in order, each pair once.
    MIDIInputDevice& device = *devices.Input(0);
    std::vector<int> calls;
    auto hook = [](void* context, uint8_t status, uint8_t, uint8_t) {
        static_cast<std::vector<int>*>(context)->push_back(status);
    };
    auto other = [](void* context, uint8_t, uint8_t, uint8_t) {
        static_cast<std::vector<int>*>(context)->push_back(-1);
    };
    device.AddHook(hook, &calls);
    device.AddHook(other, &calls);
    EXPECT_EQ(RaisedText([&] { device.AddHook(hook, &calls); }), "AddHook: Hook Already Added");
    device.Deliver(0x90, 1, 2);
    EXPECT_EQ(calls, (std::vector<int>{0x90, -1}));
    device.RemoveHook(hook, &calls);
    EXPECT_EQ(RaisedText([&] { device.RemoveHook(hook, &calls); }), "RemoveHook: Not Found");
    device.Deliver(0x80, 1, 2);
    EXPECT_EQ(calls, (std::vector<int>{0x90, -1, -1}));
    device.RemoveHook(other, &calls);
    // A device that is not there cannot be opened, and says so.
    EXPECT_EQ(RaisedText([&] { input.SelectDevice(0); }).rfind("midiInOpen For Device <keys> Failed", 0), 0u);
    EXPECT_EQ(input.GetDeviceIndex(), -1);
    EXPECT_EQ(device.OpenCount(), 0);
    EXPECT_EQ(RaisedText([&] { devices.Output(0)->Write(0x90, 1, 1); }),
              "MIDIOutputDevice[synth]::Write() Called But Device Is Not Open");
}

TEST(MIDIOutputTest, ParametersAndDataBytes)
{
    CMIDIOutput output(&Host(), nullptr);
    ASSERT_EQ(output.parameterCount, 128);
    char text[kMachineTextSize];
    output.GetParameterName(127, text);
    EXPECT_STREQ(text, "CC 127");
    output.GetParameterDisplayValue(0, 0.5, text);
    EXPECT_STREQ(text, "63");
    EXPECT_EQ(CMIDIOutput::DataByte(1.0), 127);
    EXPECT_EQ(CMIDIOutput::DataByte(0.5), 63);
    EXPECT_EQ(CMIDIOutput::DataByte(3.0), 127);
    EXPECT_EQ(CMIDIOutput::DataByte(-1.0), 0);
    output.SetParameter(5, 0.25);
    EXPECT_EQ(output.GetParameter(5), 0.25);
    // Without a device everything is dropped, nothing kept.
    output.Process();
    output.Process();
}

class MIDIJackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = std::make_unique<CJackTestServer>();
        ASSERT_TRUE(server->Ready());
        keyboard = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "keys");
        keyboard->openVirtualPort("out");
        receiver = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "sink");
        receiver->setCallback(
            [](double, std::vector<unsigned char>* message, void* self) {
                auto* test = static_cast<MIDIJackTest*>(self);
                std::lock_guard<std::mutex> lock(test->mutex);
                if (message->size() == 3)
                    test->received.push_back({(*message)[0], (*message)[1], (*message)[2]});
            },
            this);
        receiver->openVirtualPort("in");
        devices = std::make_unique<CMIDIDevices>();
    }

    void TearDown() override
    {
        devices.reset();
        keyboard.reset();
        receiver.reset();
        server.reset();
    }

    int32_t InputIndex(const std::string& name)
    {
        for (int32_t i = 0; i < devices->InputCount(); ++i) {
            if (devices->Input(i)->Name() == name)
                return i;
        }
        return -1;
    }

    int32_t OutputIndex(const std::string& name)
    {
        for (int32_t i = 0; i < devices->OutputCount(); ++i) {
            if (devices->Output(i)->Name() == name)
                return i;
        }
        return -1;
    }

    std::vector<Bytes3> Received(size_t count)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (received.size() >= count || std::chrono::steady_clock::now() > deadline)
                    return received;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::unique_ptr<CJackTestServer> server;
    std::unique_ptr<RtMidiOut> keyboard;
    std::unique_ptr<RtMidiIn> receiver;
    std::unique_ptr<CMIDIDevices> devices;
    std::mutex mutex;
    std::vector<Bytes3> received;
};

TEST_F(MIDIJackTest, KeyboardNotesComeOutOfTheInputMachine)
{
    int32_t index = InputIndex("keys:out");
    ASSERT_GE(index, 0) << "the keyboard's JACK MIDI port is listed";
    auto first = std::make_unique<CMIDIInput>(&Host(), devices.get());
    auto second = std::make_unique<CMIDIInput>(&Host(), devices.get());
    first->SelectDevice(index);
    second->SelectDevice(index);
    EXPECT_EQ(devices->Input(index)->OpenCount(), 2);
    second.reset();
    EXPECT_EQ(devices->Input(index)->OpenCount(), 1);

    std::vector<unsigned char> on = {0x90, 64, 100};
    std::vector<unsigned char> cc = {0xb0, 1, 127};
    std::vector<unsigned char> off = {0x80, 64, 0};
    int64_t sent = platform::PerformanceCounterNs();
    keyboard->sendMessage(&on);
    keyboard->sendMessage(&cc);
    keyboard->sendMessage(&off);
    std::vector<MachineEvent> out = ProcessUntil(*first, 3, 10000);
    int64_t heard = platform::PerformanceCounterNs();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].kind, EVENT_NOTE_ON);
    EXPECT_EQ(out[0].key, 64);
    EXPECT_DOUBLE_EQ(out[0].value, 100 / 127.0);
    EXPECT_EQ(out[1].kind, EVENT_CONTROL_CHANGE);
    EXPECT_EQ(out[1].value, 1.0);
    EXPECT_EQ(out[2].kind, EVENT_NOTE_OFF);
    EXPECT_GE(heard - sent, 75000000) << "placed 80 ms after arrival, not at once";
    first.reset();
    EXPECT_EQ(devices->Input(index)->OpenCount(), 0);
}

TEST_F(MIDIJackTest, OutputMachineSendsExactBytes)
{
    int32_t index = OutputIndex("sink:in");
    ASSERT_GE(index, 0);
    CMIDIOutput output(&Host(), devices.get());
    output.SelectDevice(index);
    output.SetChannel(3);
    CControlBuffer* input = output.ports[0]->controlBuffer;
    MachineEvent events[] = {MakeEvent(0, EVENT_NOTE_ON, 64, 1.0, 329.6),
                             MakeEvent(100, EVENT_CONTROL_CHANGE, 7, 0.5),
                             MakeEvent(120, EVENT_CONTROL_CHANGE, 130, 0.5),
                             MakeEvent(200, EVENT_NOTE_ON_INT, 64, 1.0),
                             MakeEvent(300, EVENT_NOTE_OFF, 64, 0.0)};
    for (const MachineEvent& event : events)
        input->PushEvent(&event);
    output.Process();
    input->Clear();
    EXPECT_EQ(Received(2).size(), 2u) << "the note-off at 300 waits for the next block";
    output.Process();
    output.SetParameter(10, 1.0);
    output.Process();
    std::vector<Bytes3> expected{{0x93, 64, 127}, {0xb3, 7, 63}, {0x83, 64, 0}, {0xb3, 10, 127}};
    EXPECT_EQ(Received(4), expected);
    // Saved and loaded: device and channel.
    void* data = nullptr;
    int32_t size = 0;
    bool parameterList = true;
    output.SaveState(&data, &size, &parameterList);
    CMIDIOutput copy(&Host(), devices.get());
    copy.LoadState(data, size, false);
    std::free(data);
    EXPECT_EQ(copy.GetDeviceIndex(), index);
    EXPECT_EQ(copy.GetChannel(), 3);
    EXPECT_EQ(devices->Output(index)->OpenCount(), 2);
}
