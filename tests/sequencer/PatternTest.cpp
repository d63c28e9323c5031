// The pattern data model and the pattern block of project files.
#include "support/SequencerFixture.h"
#include "framework/ByteStream.h"
#include "framework/Errors.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace {

const ControlPoint& VelocityAt(const Pattern& pattern, int32_t tick)
{
    return pattern.GetVelocityTrack()->Point(tick);
}

} // namespace

TEST(Pattern, VelocityPointsFollowTheNotesThatStartThere)
{
    Pattern pattern(16, "Pattern 1", nullptr);
    pattern.AddControlTrack(ControlTrack::kVelocity);
    ASSERT_NE(pattern.GetVelocityTrack(), nullptr);
    // New velocity points are (set, 1.0): a note there keeps that value.
    pattern.AddNote(4, 2, 60);
    EXPECT_TRUE(VelocityAt(pattern, 4).set);
    EXPECT_FLOAT_EQ(VelocityAt(pattern, 4).value, 1.0f);

    // A clear point becomes (set, 100/127) when a note starts on it.
    pattern.GetVelocityTrack()->Point(8) = ControlPoint{};
    PatternNote* first = pattern.AddNote(8, 1, 60);
    PatternNote* second = pattern.AddNote(8, 3, 64);
    EXPECT_TRUE(VelocityAt(pattern, 8).set);
    EXPECT_FLOAT_EQ(VelocityAt(pattern, 8).value, static_cast<float>(100.0 / 127.0));

    // Removing one of two notes on a tick keeps the point; the last clears it.
    pattern.RemoveNote(first);
    EXPECT_TRUE(VelocityAt(pattern, 8).set);
    pattern.RemoveNote(second);
    EXPECT_FALSE(VelocityAt(pattern, 8).set);
    EXPECT_EQ(VelocityAt(pattern, 8).value, 0.0f);
    EXPECT_EQ(pattern.GetNoteCount(), 1);
}

TEST(Pattern, ShrinkingRemovesNotesPastTheEndAndGrowingAppendsDefaults)
{
    Pattern pattern(16, "Pattern 1", nullptr);
    pattern.AddControlTrack(ControlTrack::kVelocity);
    const int32_t knob = pattern.AddControlTrack(2);
    pattern.AddNote(30, 2, 60); // ends at 32 = 4 * 8: stays
    pattern.AddNote(31, 2, 62); // ends at 33: goes
    pattern.AddNote(31, 1, 64); // same start, ends at 32: stays, so does its velocity point
    pattern.AddNote(40, 4, 65); // past the end: goes, with its velocity point

    pattern.SetLength(8);
    EXPECT_EQ(pattern.GetLength(), 8);
    EXPECT_EQ(pattern.GetNoteCount(), 2);
    for (PatternNote* note = pattern.FirstNote(); note; note = note->NextNode())
        EXPECT_LE(note->End(), 32);
    EXPECT_TRUE(VelocityAt(pattern, 31).set);
    for (int32_t t = 0; t < pattern.GetControlTrackCount(); ++t)
        EXPECT_EQ(pattern.GetControlTrack(t)->GetPointCount(), 32);

    pattern.GetVelocityTrack()->Point(31) = ControlPoint{false, 0.0f};
    pattern.SetLength(10);
    for (int32_t tick = 32; tick < 40; ++tick) {
        EXPECT_TRUE(VelocityAt(pattern, tick).set);
        EXPECT_EQ(VelocityAt(pattern, tick).value, 1.0f);
        EXPECT_FALSE(pattern.GetControlTrack(knob)->Point(tick).set);
        EXPECT_EQ(pattern.GetControlTrack(knob)->Point(tick).value, 0.0f);
    }
    // Points inside the old length are untouched.
    EXPECT_FALSE(VelocityAt(pattern, 31).set);
}

TEST(Pattern, ControlTracksAndTheVelocityTrackPointer)
{
    Pattern pattern(4, "Pattern 1", nullptr);
    EXPECT_EQ(pattern.AddControlTrack(3), 0);
    EXPECT_EQ(pattern.AddControlTrack(ControlTrack::kVelocity), 1);
    ControlTrack* older = pattern.GetVelocityTrack();
    // A second velocity track takes the pointer.
    EXPECT_EQ(pattern.AddControlTrack(ControlTrack::kVelocity), 2);
    EXPECT_NE(pattern.GetVelocityTrack(), older);
    pattern.RemoveControlTrack(2);
    EXPECT_EQ(pattern.GetVelocityTrack(), nullptr);
    EXPECT_EQ(pattern.GetControlTrackCount(), 2);
    try {
        pattern.RemoveControlTrack(5);
        FAIL() << "no error";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "CArray::RemoveItem - Index Out Of Bounds (5)");
    }
}

TEST(Pattern, TransportFlagsAndCursorPositions)
{
    Pattern pattern(16, "Pattern 1", nullptr);
    EXPECT_EQ(pattern.PlayPositionInTicks(5512), -1.0);
    pattern.Start(true);
    EXPECT_EQ(pattern.PlayPositionInTicks(5512), 0.0);
    pattern.Pause(false);
    EXPECT_TRUE(pattern.IsPaused());
    EXPECT_EQ(pattern.PlayPositionInTicks(5512), -1.0);
    EXPECT_EQ(pattern.SongPositionInTicks(5512), -1.0);
    pattern.SetSongPosition(5512 * 3);
    EXPECT_EQ(pattern.SongPositionInTicks(5512), 3.0);
}

class PatternBlock : public ::testing::Test {
protected:
    PatternBlock()
    {
        keys = fixture.Add("ZT Keys", "Keys 1");
        events = fixture.Add("ZT Events", "Events 1");
        fixture.Studio().NumberMachines();
    }

    CByteWriter Write(int32_t machineNumber)
    {
        CByteWriter out;
        CLockGuard lock(fixture.Patterns());
        fixture.Patterns().WritePatternBlock(machineNumber, out);
        return out;
    }

    void Read(const CByteWriter& block)
    {
        CByteReader in(block.Data().data(), block.Size());
        CLockGuard lock(fixture.Patterns());
        fixture.Patterns().ReadPatternBlock(in);
    }

    CSequencerFixture fixture;
    CMachineContainer* keys;
    CMachineContainer* events;
};

TEST_F(PatternBlock, AnEmptyPatternIs1048BytesAndALongNameRoundTrips)
{
    Pattern* pattern = fixture.NewPattern(events, 16);
    const std::string name(1023, 'n');
    fixture.Patterns().RenamePattern((name + "cut").c_str());
    EXPECT_EQ(pattern->GetName(), name);
    CByteWriter block = Write(1);
    EXPECT_EQ(block.Size(), 4u + 1048u);
    EXPECT_EQ(Write(0).Size(), 4u); // the other machine has none

    fixture.Studio().Clear();
    keys = fixture.Add("ZT Keys", "Keys 1");
    events = fixture.Add("ZT Events", "Events 1");
    fixture.Studio().NumberMachines();
    Read(block);
    ASSERT_EQ(fixture.Patterns().GetPatterns().GetCount(), 1);
    Pattern* loaded = fixture.Patterns().GetPatterns().GetItem(0);
    EXPECT_EQ(loaded->GetName(), name);
    EXPECT_EQ(loaded->GetTarget(), events->GetConnector(0));
    EXPECT_EQ(loaded->GetLength(), 16);
}

TEST_F(PatternBlock, NotesTracksAndPointsRoundTrip)
{
    Pattern* first = fixture.NewPattern(keys, 2);
    Pattern* second = fixture.NewPattern(keys, 4);
    second->AddControlTrack(1);
    second->AddControlTrack(ControlTrack::kVelocity);
    second->AddNote(0, 3, 7);
    second->AddNote(5, 1, 2);
    second->GetControlTrack(1)->Point(5) = ControlPoint{true, 0.25f};
    second->GetControlTrack(0)->Point(15) = ControlPoint{true, 0.5f};
    CByteWriter block = Write(0);
    // Two records; the second holds 2 notes and two tracks of 16 points.
    EXPECT_EQ(block.Size(), 4u + 1048u + 1048u + 2 * 12 + 2 * (8 + 16 * 6));
    EXPECT_EQ(first->number, 0u);
    EXPECT_EQ(second->number, 1u);

    fixture.Studio().Clear();
    keys = fixture.Add("ZT Keys", "Keys 1");
    fixture.Add("ZT Events", "Events 1");
    fixture.Studio().NumberMachines();
    Read(block);
    ASSERT_EQ(fixture.Patterns().GetPatterns().GetCount(), 2);
    Pattern* loaded = fixture.Patterns().GetPatterns().GetItem(1);
    EXPECT_EQ(loaded->number, 1u);
    EXPECT_EQ(loaded->GetName(), "Pattern 2");
    ASSERT_EQ(loaded->GetNoteCount(), 2);
    EXPECT_EQ(loaded->FirstNote()->start, 0);
    EXPECT_EQ(loaded->FirstNote()->length, 3);
    EXPECT_EQ(loaded->FirstNote()->pitch, 7);
    ASSERT_NE(loaded->GetVelocityTrack(), nullptr);
    // The stored velocity track overrides what adding the notes set.
    EXPECT_FLOAT_EQ(loaded->GetVelocityTrack()->Point(5).value, 0.25f);
    EXPECT_TRUE(loaded->GetControlTrack(0)->Point(15).set);
    EXPECT_FALSE(loaded->GetControlTrack(0)->Point(14).set);
}

TEST_F(PatternBlock, RecordsThatLieAreCorruptAndKeepWhatWasReadBefore)
{
    fixture.NewPattern(keys, 1);
    fixture.NewPattern(keys, 1);
    const std::vector<uint8_t> good = Write(0).Data();
    auto withInt = [&](size_t at, int32_t value) {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        CByteWriter out;
        out.Bytes(bytes.data(), bytes.size());
        return out;
    };
    const size_t second = 4 + 1048;
    struct Case {
        const char* what;
        size_t at;
        int32_t value;
        int32_t patternsKept;
    } cases[] = {
        {"a million patterns", 0, 1000000, 0},
        {"a negative pattern count", 0, -1, 0},
        {"a note count that does not fit", second + 1032, 100, 1},
        {"a length past the editor's range", second + 4, 0x40000000, 1},
        {"a zero length", second + 4, 0, 1},
        {"a track count that does not fit", second + 1036, 0x7fffffff, 1},
    };
    for (const Case& c : cases) {
        fixture.Patterns().ClearPatterns();
        CByteWriter block = withInt(c.at, c.value);
        EXPECT_THROW(Read(block), CCorruptData) << c.what;
        EXPECT_EQ(fixture.Patterns().GetPatterns().GetCount(), c.patternsKept) << c.what;
    }
}

TEST_F(PatternBlock, StoredNotesOutsideThePatternAndPortsThatTakeNoEventsAreDropped)
{
    CByteWriter block;
    block.Int32(1);
    block.Int32(0);  // number
    block.Int32(1);  // length 1: ticks 0 .. 3
    block.FixedText("Odd", 1024);
    block.Int32(4);  // notes
    block.Int32(1);  // tracks
    block.Int32(1);  // machine "Events 1"
    block.Int32(1);  // port 1 is its control output
    const int32_t notes[][3] = {{0, 4, 60}, {3, 2, 60}, {-1, 1, 60}, {1, 1, 128}};
    for (const auto& note : notes) {
        for (int32_t field : note)
            block.Int32(field);
    }
    block.Int32(0);  // property
    block.Int32(6);  // more points than the track holds: the rest is skipped
    const float values[] = {0.5f, 7.0f, std::nanf(""), 0.1f, 0.2f, 0.3f};
    for (float value : values) {
        block.Float(value);
        block.UInt8(1);
        block.UInt8(0);
    }
    Read(block);
    ASSERT_EQ(fixture.Patterns().GetPatterns().GetCount(), 1);
    Pattern* pattern = fixture.Patterns().GetPatterns().GetItem(0);
    EXPECT_EQ(pattern->GetTarget(), nullptr);
    ASSERT_EQ(pattern->GetNoteCount(), 1);
    EXPECT_EQ(pattern->FirstNote()->End(), 4);
    ControlTrack* track = pattern->GetControlTrack(0);
    EXPECT_EQ(track->GetPointCount(), 4);
    EXPECT_FLOAT_EQ(track->Point(0).value, 0.5f);
    EXPECT_FLOAT_EQ(track->Point(1).value, 1.0f);
    EXPECT_FALSE(track->Point(2).set);
    EXPECT_FLOAT_EQ(track->Point(3).value, 0.1f);
}
