// The ControlChange mapper and the arpeggiator driven block by block as the
// render cycle drives them, with their state blobs.
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/StateBlob.h"
#include "studio/CVelmHost.h"
#include <cstdlib>
#include <gtest/gtest.h>
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

std::vector<uint8_t> Saved(CMachine& machine)
{
    void* data = nullptr;
    int32_t size = 0;
    bool parameterList = true;
    machine.SaveState(&data, &size, &parameterList);
    EXPECT_FALSE(parameterList);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    std::free(data);
    return bytes;
}

// A note or control event at an absolute frame of a run.
struct Timed {
    int64_t frame;
    MachineEvent event;
};

// Runs a machine with one control input and one control output over
// `blocks` blocks, feeding `input` at its frames; returns what came out at
// absolute frames.
std::vector<Timed> Drive(CMachine& machine, std::vector<Timed> input, int32_t blocks)
{
    std::vector<Timed> out;
    size_t next = 0;
    for (int32_t b = 0; b < blocks; ++b) {
        int64_t start = static_cast<int64_t>(b) * kBlock;
        machine.ports[1]->controlBuffer->Clear();
        while (next < input.size() && input[next].frame < start + kBlock) {
            MachineEvent event = input[next].event;
            event.time = static_cast<int32_t>(input[next].frame - start);
            machine.ports[0]->controlBuffer->PushEvent(&event);
            ++next;
        }
        machine.Process();
        machine.ports[0]->controlBuffer->Clear();
        for (const MachineEvent& event : Drain(machine.ports[1]->controlBuffer))
            out.push_back({start + event.time, event});
    }
    return out;
}

} // namespace

TEST(ControlChangeMapperTest, FirstMatchRenumbersOthersPassUnchanged)
{
    CControlChangeMapper mapper(&Host());
    mapper.AddMapping(7, 20);
    mapper.AddMapping(7, 30);
    mapper.AddMapping(9, 1);
    std::vector<Timed> out = Drive(mapper,
                                 {{3, MakeEvent(0, EVENT_CONTROL_CHANGE, 7, 0.25)},
                                  {5, MakeEvent(0, EVENT_NOTE_ON, 7, 1.0, 440.0)},
                                  {8, MakeEvent(0, EVENT_CONTROL_CHANGE, 8, 0.5)},
                                  {300, MakeEvent(0, EVENT_CONTROL_CHANGE, 9, 0.75)}},
                                 2);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].frame, 3);
    EXPECT_EQ(out[0].event.key, 20);
    EXPECT_EQ(out[0].event.value, 0.25);
    EXPECT_EQ(out[1].event.kind, EVENT_NOTE_ON);
    EXPECT_EQ(out[1].event.key, 7) << "notes are not renumbered";
    EXPECT_EQ(out[2].event.key, 8);
    EXPECT_EQ(out[3].frame, 300);
    EXPECT_EQ(out[3].event.key, 1);
}

TEST(ControlChangeMapperTest, TrainingRowsLearnTheNextControlTogether)
{
    CControlChangeMapper mapper(&Host());
    mapper.AddMapping(0, 40);
    mapper.AddMapping(1, 41);
    mapper.AddMapping(2, 42);
    mapper.SetTraining(0, true);
    mapper.SetTraining(2, true);
    uint32_t revision = mapper.Revision();
    std::vector<Timed> out = Drive(mapper,
                                 {{10, MakeEvent(0, EVENT_NOTE_ON, 60, 1.0, 261.6)},
                                  {20, MakeEvent(0, EVENT_CONTROL_CHANGE, 74, 0.5)},
                                  {30, MakeEvent(0, EVENT_CONTROL_CHANGE, 75, 0.5)}},
                                 1);
    EXPECT_EQ(mapper.GetMapping(0).in, 74);
    EXPECT_EQ(mapper.GetMapping(2).in, 74);
    EXPECT_EQ(mapper.GetMapping(1).in, 1);
    EXPECT_FALSE(mapper.GetMapping(0).training);
    EXPECT_FALSE(mapper.GetMapping(2).training);
    EXPECT_NE(mapper.Revision(), revision) << "the editor must see the learned numbers";
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].event.key, 40) << "the learning event is mapped by the first row at once";
    EXPECT_EQ(out[2].event.key, 75) << "training ended with the first control change";
}

TEST(ControlChangeMapperTest, StateBlobAppendsOnlyWhenSizeMatchesCount)
{
    CControlChangeMapper mapper(&Host());
    mapper.AddMapping(1, 2);
    std::vector<uint8_t> one;
    blob::AppendInt32(one, 1);
    blob::AppendInt32(one, 5);
    blob::AppendInt32(one, 6);
    mapper.LoadState(one.data(), static_cast<int32_t>(one.size()), false);
    ASSERT_EQ(mapper.GetMappingCount(), 2);
    EXPECT_EQ(mapper.GetMapping(1).in, 5);
    EXPECT_EQ(mapper.GetMapping(1).out, 6);

    std::vector<uint8_t> lying = one;
    lying[0] = 2; // 12 bytes claiming two mappings
    mapper.LoadState(lying.data(), 12, false);
    std::vector<uint8_t> negative = {0xff, 0xff, 0xff, 0xff};
    mapper.LoadState(negative.data(), 4, false);
    mapper.LoadState(one.data(), 3, false);
    EXPECT_EQ(mapper.GetMappingCount(), 2);

    std::vector<uint8_t> saved = Saved(mapper);
    ASSERT_EQ(saved.size(), 4u + 8 * 2);
    CControlChangeMapper copy(&Host());
    copy.LoadState(saved.data(), static_cast<int32_t>(saved.size()), false);
    EXPECT_EQ(Saved(copy), saved);
    copy.RemoveMapping(0);
    EXPECT_EQ(copy.GetMapping(0).in, 5);
}

TEST(ArpeggiatorTest, StepsFollowTheHeldNoteOnAnExactGrid)
{
    Host().SetTempo(120.0);
    CArpeggiator arp(&Host());
    ASSERT_EQ(arp.StepLength(), 5512);
    arp.SetLength(1);
    arp.SetCell(11, 0, true);
    // Held from frame 100 for a little over three steps.
    std::vector<Timed> out = Drive(arp,
                                 {{100, MakeEvent(0, EVENT_NOTE_ON, 60, 1.0, 261.6)},
                                  {100 + 3 * 5512 + 50, MakeEvent(0, EVENT_NOTE_OFF, 60, 0.0)}},
                                 120);
    std::vector<int64_t> ons, offs;
    for (const Timed& t : out) {
        EXPECT_EQ(t.event.key, 60);
        (t.event.kind == EVENT_NOTE_ON ? ons : offs).push_back(t.frame);
        if (t.event.kind == EVENT_NOTE_ON) {
            EXPECT_DOUBLE_EQ(t.event.value, 100.0 / 127.0);
            double hz = 0;
            Host().GetNoteFrequency(60, &hz);
            EXPECT_DOUBLE_EQ(t.event.frequency, hz);
        }
    }
    std::vector<int64_t> expectedOns{100, 100 + 5512, 100 + 2 * 5512, 100 + 3 * 5512};
    EXPECT_EQ(ons, expectedOns);
    // Every note-off, also those that fall into later blocks, one step on.
    ASSERT_EQ(offs.size(), ons.size());
    for (size_t i = 0; i < ons.size(); ++i)
        EXPECT_EQ(offs[i], ons[i] + 5512);
}

TEST(ArpeggiatorTest, RowsTransposeAndOnlyTheHeldKeyStops)
{
    Host().SetTempo(120.0);
    CArpeggiator arp(&Host());
    arp.SetLength(2);
    arp.SetCell(0, 0, true);  // highest row: held key + 11
    arp.SetCell(11, 1, true); // lowest row: the held key
    arp.SetCell(5, 1, true);
    std::vector<Timed> out = Drive(arp,
                                 {{0, MakeEvent(0, EVENT_NOTE_ON, 48, 1.0, 130.8)},
                                  {6000, MakeEvent(0, EVENT_NOTE_OFF, 50, 0.0)},
                                  {12000, MakeEvent(0, EVENT_NOTE_OFF, 48, 0.0)}},
                                 100);
    std::vector<std::pair<int64_t, int32_t>> ons;
    for (const Timed& t : out) {
        if (t.event.kind == EVENT_NOTE_ON)
            ons.emplace_back(t.frame, t.event.key);
        EXPECT_NE(t.event.key, 50) << "input notes never pass";
    }
    std::vector<std::pair<int64_t, int32_t>> expected{{0, 59}, {5512, 54}, {5512, 48}, {11024, 59}};
    EXPECT_EQ(ons, expected);
    EXPECT_EQ(out.back().event.kind, EVENT_NOTE_OFF);
    EXPECT_EQ(out.back().frame, 11024 + 5512) << "a scheduled note-off still arrives after the release";
}

TEST(ArpeggiatorTest, StateBlobIsExactly392Bytes)
{
    CArpeggiator arp(&Host());
    arp.SetStepsPerBeat(3);
    arp.SetLength(7);
    arp.SetCell(2, 6, true);
    std::vector<uint8_t> saved = Saved(arp);
    ASSERT_EQ(saved.size(), 392u);
    EXPECT_EQ(blob::ReadInt32(saved.data(), 0), 3);
    EXPECT_EQ(blob::ReadInt32(saved.data(), 4), 7);
    EXPECT_EQ(saved[8 + 2 * 32 + 6], 1);

    CArpeggiator copy(&Host());
    copy.LoadState(saved.data(), 391, false);
    EXPECT_EQ(copy.GetLength(), 32);
    EXPECT_FALSE(copy.GetCell(2, 6));
    copy.LoadState(saved.data(), 392, false);
    EXPECT_EQ(copy.GetStepsPerBeat(), 3);
    EXPECT_EQ(copy.GetLength(), 7);
    EXPECT_TRUE(copy.GetCell(2, 6));
    EXPECT_EQ(Saved(copy), saved);

    // A damaged file's zero length and steps must not stop the machine.
    std::vector<uint8_t> damaged(392, 0);
    copy.LoadState(damaged.data(), 392, false);
    EXPECT_EQ(copy.GetLength(), 1);
    EXPECT_EQ(copy.GetStepsPerBeat(), 1);
    Drive(copy, {{0, MakeEvent(0, EVENT_NOTE_ON, 60, 1.0, 261.6)}}, 4);
}
