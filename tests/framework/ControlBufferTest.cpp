#include "framework/CControlBuffer.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

MachineEvent At(int32_t time, int32_t kind = EVENT_CONTROL_CHANGE, int32_t key = 0)
{
    return MakeEvent(time, kind, key, 0.5);
}

std::vector<MachineEvent> Drain(CControlBuffer& buffer)
{
    std::vector<MachineEvent> events;
    MachineEvent event;
    while (buffer.PopEvent(&event))
        events.push_back(event);
    return events;
}

} // namespace

TEST(ControlBufferTest, EqualTimesKeepArrivalOrder)
{
    CControlBuffer buffer;
    MachineEvent first = At(5, EVENT_CONTROL_CHANGE, 1);
    MachineEvent earlier = At(3, EVENT_CONTROL_CHANGE, 2);
    MachineEvent second = At(5, EVENT_CONTROL_CHANGE, 3);
    buffer.PushEvent(&first);
    buffer.PushEvent(&earlier);
    buffer.PushEvent(&second);
    auto events = Drain(buffer);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].key, 2);
    EXPECT_EQ(events[1].key, 1);
    EXPECT_EQ(events[2].key, 3);
    EXPECT_EQ(buffer.Count(), 0);
}

TEST(ControlBufferTest, NoteOffAtTheSameTimeComesFirst)
{
    for (auto kinds : {std::pair{EVENT_NOTE_ON, EVENT_NOTE_OFF}, std::pair{EVENT_NOTE_ON_INT, EVENT_NOTE_OFF_INT}}) {
        CControlBuffer buffer;
        MachineEvent control = At(0, EVENT_CONTROL_CHANGE, 7);
        MachineEvent on = At(10, kinds.first, 60);
        MachineEvent otherOn = At(10, kinds.first, 64);
        MachineEvent off = At(10, kinds.second, 60);
        MachineEvent later = At(11, kinds.second, 64);
        for (auto* e : {&control, &on, &otherOn, &off, &later})
            buffer.PushEvent(e);
        auto events = Drain(buffer);
        ASSERT_EQ(events.size(), 5u);
        EXPECT_EQ(events[0].kind, EVENT_CONTROL_CHANGE);
        EXPECT_EQ(events[1].kind, kinds.second) << "note off wins at time 10";
        EXPECT_EQ(events[2].key, 60);
        EXPECT_EQ(events[2].kind, kinds.first);
        EXPECT_EQ(events[3].key, 64);
        EXPECT_EQ(events[4].time, 11);
    }
}

TEST(ControlBufferTest, AdvanceMovesDueEventsAndAgesTheRest)
{
    CControlBuffer deferred, port;
    MachineEvent due = At(10, EVENT_NOTE_OFF, 1);
    MachineEvent later = At(70, EVENT_NOTE_OFF, 2);
    deferred.PushEvent(&later);
    deferred.PushEvent(&due);
    deferred.Advance(&port, 64);
    ASSERT_EQ(port.Count(), 1);
    ASSERT_EQ(deferred.Count(), 1);
    EXPECT_EQ(port.First()->time, 10);
    EXPECT_EQ(deferred.First()->time, 6);
    EXPECT_EQ(deferred.First()->key, 2);

    // The aged event is due in the next block, and a boundary time (== frames)
    // is not.
    MachineEvent boundary = At(64, EVENT_NOTE_OFF, 3);
    deferred.PushEvent(&boundary);
    CControlBuffer next;
    deferred.Advance(&next, 64);
    ASSERT_EQ(next.Count(), 1);
    EXPECT_EQ(next.First()->time, 6);
    ASSERT_EQ(deferred.Count(), 1);
    EXPECT_EQ(deferred.First()->time, 0);
}

TEST(ControlBufferTest, CopyToKeepsTheSourceAndMergesInTimeOrder)
{
    CControlBuffer source, destination;
    MachineEvent a = At(1, EVENT_CONTROL_CHANGE, 1), b = At(9, EVENT_CONTROL_CHANGE, 2), c = At(5, EVENT_CONTROL_CHANGE, 3);
    source.PushEvent(&a);
    source.PushEvent(&b);
    destination.PushEvent(&c);
    source.CopyTo(&destination);
    EXPECT_EQ(source.Count(), 2);
    std::vector<int32_t> times;
    for (const MachineEvent* e = destination.First(); e; e = destination.Next(e))
        times.push_back(e->time);
    EXPECT_EQ(times, (std::vector<int32_t>{1, 5, 9}));
}

TEST(ControlBufferTest, GrowsBeyondItsPoolAndReusesNodes)
{
    CControlBuffer buffer;
    for (int round = 0; round < 3; ++round) {
        for (int32_t i = 999; i >= 0; --i) {
            MachineEvent e = At(i, EVENT_CONTROL_CHANGE, i);
            buffer.PushEvent(&e);
        }
        ASSERT_EQ(buffer.Count(), 1000);
        int32_t expected = 0;
        MachineEvent e;
        for (int k = 0; k < 500; ++k) {
            ASSERT_TRUE(buffer.PopEvent(&e));
            ASSERT_EQ(e.time, expected++);
        }
        buffer.Clear();
        EXPECT_EQ(buffer.Count(), 0);
        EXPECT_FALSE(buffer.PopEvent(&e));
    }
}

TEST(ControlBufferTest, PushAfterPoppingTheTailKeepsOrder)
{
    CControlBuffer buffer;
    MachineEvent on = At(4, EVENT_NOTE_ON, 1), off = At(4, EVENT_NOTE_OFF, 1);
    buffer.PushEvent(&on);
    buffer.PushEvent(&off);
    MachineEvent e;
    ASSERT_TRUE(buffer.PopEvent(&e)); // takes the note off, the list's tail
    EXPECT_EQ(e.kind, EVENT_NOTE_OFF);
    MachineEvent late = At(9, EVENT_CONTROL_CHANGE, 2);
    buffer.PushEvent(&late);
    auto events = Drain(buffer);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EVENT_NOTE_ON);
    EXPECT_EQ(events[1].time, 9);
}

// The buffer counts its note offs to skip the search when it holds none:
// the count must follow every way events leave (pop, advance, clear), or a
// later note off loses its place before same-time events.
TEST(ControlBufferTest, NoteOffStillLeadsItsTimeAfterNoteOffsLeftEveryWay)
{
    CControlBuffer buffer;
    CControlBuffer sink;
    for (int round = 0; round < 3; ++round) {
        MachineEvent off = At(2, EVENT_NOTE_OFF, 1);
        MachineEvent control = At(1, EVENT_CONTROL_CHANGE, 9);
        buffer.PushEvent(&off);
        buffer.PushEvent(&control);
        if (round == 0) {
            Drain(buffer);
        } else if (round == 1) {
            buffer.Advance(&sink, 5);
        } else {
            buffer.Clear();
        }
        MachineEvent same = At(4, EVENT_CONTROL_CHANGE, 2);
        MachineEvent late = At(4, EVENT_NOTE_OFF, 3);
        buffer.PushEvent(&same);
        buffer.PushEvent(&late);
        const auto events = Drain(buffer);
        ASSERT_EQ(events.size(), 2u) << round;
        EXPECT_EQ(events[0].key, 3) << round;
        EXPECT_EQ(events[1].key, 2) << round;
    }
    EXPECT_EQ(sink.Count(), 2);
}
