// The pattern and sequence editors' logic: choices, pattern commands, note
// placement and editing, transport state machines, sequence entry rules.
#include "sequencer/CNoteEditing.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "support/SequencerFixture.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::vector<std::string> Names(const std::vector<Pattern*>& patterns)
{
    std::vector<std::string> names;
    for (const Pattern* pattern : patterns)
        names.push_back(pattern->GetName());
    return names;
}

std::vector<int32_t> Starts(const SequenceTrack* track)
{
    std::vector<int32_t> starts;
    for (int32_t i = 0; i < track->GetEntryCount(); ++i)
        starts.push_back(track->GetEntry(i)->start);
    return starts;
}

class Editors : public ::testing::Test {
protected:
    Editors()
    {
        fixture.session.NewProject();
        events = fixture.Add("ZT Events", "Events 1");
        keys = fixture.Add("ZT Keys", "Keys 1");
    }
    CPatternEditor& patterns() { return fixture.Patterns(); }
    CSequenceEditor& song() { return fixture.Song(); }
    SequenceTrack* Track(CMachineContainer* machine) { return song().GetSequence().GetTrack(fixture.RowOf(machine)); }

    CSequencerFixture fixture;
    CMachineContainer* events;
    CMachineContainer* keys;
};

} // namespace

TEST_F(Editors, MachineAndPortChoices)
{
    // The master has no control input; each machine with one gets a track.
    EXPECT_EQ(patterns().MachineChoices(), (std::vector<CMachineContainer*>{events, keys}));
    EXPECT_EQ(song().GetSequence().GetTrackCount(), 2);
    patterns().ChooseMachine(events);
    EXPECT_EQ(patterns().GetCurrentPort(), events->GetConnector(0));
    EXPECT_EQ(patterns().PortChoices().size(), 1u);
    // Choosing the current machine again leaves none, with empty combos.
    Pattern* pattern = patterns().AddPattern();
    patterns().ChooseMachine(events);
    EXPECT_EQ(patterns().GetCurrentMachine(), nullptr);
    EXPECT_EQ(patterns().GetCurrentPort(), nullptr);
    EXPECT_EQ(patterns().GetCurrentPattern(), nullptr);
    EXPECT_TRUE(patterns().PortChoices().empty());
    EXPECT_TRUE(patterns().PatternChoices().empty());
    EXPECT_EQ(patterns().AddPattern(), nullptr);
    // Choosing it again selects its first pattern.
    patterns().ChooseMachine(events);
    EXPECT_EQ(patterns().GetCurrentPattern(), pattern);
    // A port of another machine is refused.
    patterns().ChoosePort(keys->GetConnector(0));
    EXPECT_EQ(pattern->GetTarget(), events->GetConnector(0));
}

TEST_F(Editors, PropertyChoicesNameEveryParameter)
{
    CMachineContainer* knob = fixture.Add("ZT Knob", "Knob 1");
    patterns().ChooseMachine(knob);
    std::vector<PropertyChoice> choices = patterns().PropertyChoices();
    ASSERT_EQ(choices.size(), 5u);
    EXPECT_EQ(choices[0].property, -1);
    EXPECT_EQ(choices[0].label, "Velocity");
    EXPECT_EQ(choices[3].property, 2);
    EXPECT_EQ(choices[3].label, "Property 2");
}

TEST_F(Editors, NewPatternsTakeTheSmallestFreeNumberOfTheirMachine)
{
    patterns().ChooseMachine(keys);
    patterns().AddPattern();
    patterns().ChooseMachine(events);
    patterns().SetPatternLength(8);
    Pattern* first = patterns().AddPattern();
    Pattern* second = patterns().AddPattern();
    EXPECT_EQ(first->GetName(), "Pattern 1");
    EXPECT_EQ(second->GetName(), "Pattern 2");
    EXPECT_EQ(second->GetLength(), 8);
    EXPECT_EQ(patterns().GetCurrentPattern(), second);
    patterns().ChoosePattern(first);
    patterns().RenamePattern("pattern 1"); // names compare case-sensitively
    EXPECT_EQ(patterns().AddPattern()->GetName(), "Pattern 1");
    EXPECT_EQ(Names(patterns().PatternChoices()), (std::vector<std::string>{"pattern 1", "Pattern 2", "Pattern 1"}));
}

TEST_F(Editors, RemovingAPatternSelectsItsNeighbourAndClearsItFromTheSong)
{
    patterns().ChooseMachine(events);
    patterns().SetPatternLength(4);
    Pattern* a = patterns().AddPattern();
    Pattern* b = patterns().AddPattern();
    Pattern* c = patterns().AddPattern();
    fixture.Place(events, b, 0);
    fixture.Place(events, b, 8);
    fixture.Place(events, a, 4);
    song().SelectRow(fixture.RowOf(events));
    song().ChoosePattern(b);
    patterns().ChoosePattern(b);
    patterns().RemovePattern();
    EXPECT_EQ(patterns().GetCurrentPattern(), c);
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{4}));
    // The row's selection falls back to the first pattern of its port.
    EXPECT_EQ(Track(events)->selectedPattern, a);
    patterns().RemovePattern();
    EXPECT_EQ(patterns().GetCurrentPattern(), a); // the last one
    patterns().RemovePattern();
    EXPECT_EQ(patterns().GetCurrentPattern(), nullptr);
    EXPECT_EQ(Track(events)->selectedPattern, nullptr);
    EXPECT_EQ(Track(events)->GetEntryCount(), 0);
}

TEST_F(Editors, GrowingAPatternDropsEntriesThatNoLongerFitOrOverlap)
{
    Pattern* grown = fixture.NewPattern(events, 16);
    Pattern* other = fixture.NewPattern(events, 16);
    fixture.Place(events, grown, 0);
    fixture.Place(events, other, 16);
    fixture.Place(events, grown, 32);
    fixture.Place(events, other, 48);
    // Shrinking first keeps every entry in place.
    patterns().ChoosePattern(grown);
    patterns().SetPatternLength(8);
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{0, 16, 32, 48}));
    patterns().SetPatternLength(20);
    // 0..20 clashes with 16: the earlier one goes; 32..52 clashes with 48.
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{16, 48}));

    Pattern* last = fixture.NewPattern(events, 4);
    fixture.Place(events, last, 60);
    patterns().SetPatternLength(8); // 60 + 8 > 64
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{16, 48}));
}

TEST_F(Editors, ControlTracksOnePerProperty)
{
    Pattern* pattern = fixture.NewPattern(events, 2);
    patterns().AddControlTrack(-1);
    patterns().AddControlTrack(-1);
    patterns().AddControlTrack(3);
    EXPECT_EQ(pattern->GetControlTrackCount(), 2);
    patterns().SetControlPoint(1, 7, 2.0f);
    EXPECT_EQ(pattern->GetControlTrack(1)->Point(7).value, 1.0f);
    patterns().ClearControlPoint(1, 7);
    EXPECT_FALSE(pattern->GetControlTrack(1)->Point(7).set);
    patterns().RemoveControlTrack(-1);
    EXPECT_EQ(pattern->GetVelocityTrack(), nullptr);
    EXPECT_EQ(pattern->GetControlTrackCount(), 1);
}

TEST_F(Editors, NotePlacementRule)
{
    CNoteEditing notes(patterns());
    EXPECT_EQ(notes.AddNoteAt(0, 60), nullptr); // no pattern
    fixture.NewPattern(events, 16);
    notes.SetNoteLength(4);
    EXPECT_EQ(notes.AddNoteAt(62, 60), nullptr); // 62 + 4 > 64
    PatternNote* last = notes.AddNoteAt(60, 60);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->End(), 64);
    EXPECT_EQ(notes.AddNoteAt(58, 60), nullptr); // overlaps on its key
    EXPECT_NE(notes.AddNoteAt(56, 60), nullptr); // touches: allowed
    EXPECT_NE(notes.AddNoteAt(58, 61), nullptr); // another key
    EXPECT_EQ(notes.AddNoteAt(0, 128), nullptr);
    EXPECT_EQ(notes.AddNoteAt(-1, 10), nullptr);

    // Named keys: as many as the note-event form.
    fixture.NewPattern(keys, 1);
    EXPECT_EQ(patterns().GetKeyCount(), 8);
    EXPECT_EQ(notes.RowOfKey(0), 0);
    notes.SetNoteLength(1);
    EXPECT_NE(notes.AddNoteAt(0, 7), nullptr);
    EXPECT_EQ(notes.AddNoteAt(0, 8), nullptr);
}

TEST_F(Editors, DraggingNotes)
{
    CNoteEditing notes(patterns());
    Pattern* pattern = fixture.NewPattern(events, 4);
    notes.SetNoteLength(2);
    PatternNote* moved = notes.AddNoteAt(0, 60);
    notes.AddNoteAt(4, 60);
    // Onto the other note of its key: refused, both ways tried.
    notes.BeginDrag(moved, CNoteEditing::DRAG_MOVE);
    EXPECT_FALSE(notes.DragBy(4, 0));
    // One row down and the same ticks: the pitch below, at the new start.
    EXPECT_TRUE(notes.DragBy(4, 1));
    EXPECT_EQ(moved->start, 4);
    EXPECT_EQ(moved->pitch, 59);
    // Blocked across, free downwards: the key moves, the start stays.
    notes.AddNoteAt(10, 57);
    notes.BeginDrag(moved, CNoteEditing::DRAG_MOVE);
    EXPECT_TRUE(notes.DragBy(6, 2));
    EXPECT_EQ(moved->start, 4);
    EXPECT_EQ(moved->pitch, 57);
    // Resizing: the end stops at the pattern's end; the start keeps length >= 1.
    notes.BeginDrag(moved, CNoteEditing::DRAG_RESIZE_END);
    EXPECT_TRUE(notes.DragBy(4, 0));
    EXPECT_EQ(moved->length, 6);
    EXPECT_FALSE(notes.DragBy(5, 0)); // would reach into the note at 10 on key 57
    notes.BeginDrag(moved, CNoteEditing::DRAG_RESIZE_START);
    EXPECT_FALSE(notes.DragBy(6, 0));
    EXPECT_TRUE(notes.DragBy(-4, 0));
    EXPECT_EQ(moved->start, 0);
    EXPECT_EQ(moved->length, 10);
    EXPECT_EQ(pattern->GetNoteCount(), 3);
    // Named keys move the other way: down one row is the next key.
    fixture.NewPattern(keys, 1);
    PatternNote* drum = notes.AddNoteAt(0, 3);
    notes.BeginDrag(drum, CNoteEditing::DRAG_MOVE);
    EXPECT_TRUE(notes.DragBy(0, 1));
    EXPECT_EQ(drum->pitch, 4);
}

TEST_F(Editors, SelectionCopyCutPasteAndDelete)
{
    CNoteEditing notes(patterns());
    Pattern* pattern = fixture.NewPattern(events, 4); // 16 ticks
    notes.SetNoteLength(2);
    notes.AddNoteAt(0, 60);
    notes.AddNoteAt(2, 62);
    notes.AddNoteAt(8, 60);
    // Ticks 0 .. 3, rows of pitches 62 .. 60: the first two notes.
    notes.Select(3, notes.RowOfKey(60), 0, notes.RowOfKey(62));
    notes.Copy();
    EXPECT_TRUE(notes.HasSelection());
    EXPECT_TRUE(notes.CanPaste());
    // Pasted at tick 13, pitch 70: the note at relative tick 0 fits, the one
    // at relative tick 2 would end at 17.
    EXPECT_EQ(notes.Paste(13, 70), 1);
    EXPECT_FALSE(notes.HasSelection());
    EXPECT_EQ(pattern->GetNoteCount(), 4);
    EXPECT_EQ(notes.Paste(15, 70), 0); // nothing fits: nothing changes
    // Cut removes the selected notes; paste puts them back elsewhere.
    notes.Select(0, notes.RowOfKey(62), 3, notes.RowOfKey(60));
    notes.Cut();
    EXPECT_EQ(pattern->GetNoteCount(), 2);
    EXPECT_EQ(notes.Paste(4, 50), 2);
    EXPECT_EQ(pattern->GetNoteCount(), 4);
    // Delete: notes that end past the selection's right tick stay.
    notes.Select(4, 0, 6, 127);
    notes.Delete();
    EXPECT_EQ(pattern->GetNoteCount(), 3);
}

TEST_F(Editors, PatternModeTransport)
{
    Pattern* first = fixture.NewPattern(events, 1);
    patterns().SetPlay(true);
    EXPECT_TRUE(first->IsPlaying());
    EXPECT_FALSE(first->IsLooping());
    fixture.RenderBlock();
    // Releasing Play holds the position; pressing it resumes there.
    patterns().SetPlay(false);
    EXPECT_TRUE(first->IsPaused());
    EXPECT_EQ(first->GetPlayPosition(), 256);
    patterns().SetLoop(true);
    patterns().SetPlay(true);
    EXPECT_EQ(first->GetPlayPosition(), 256);
    EXPECT_TRUE(first->IsLooping());
    // Another pattern while playing: the old one rewinds, the new one starts
    // from 0 with the loop button's state.
    Pattern* second = fixture.NewPattern(events, 1);
    EXPECT_TRUE(first->IsPaused());
    EXPECT_EQ(first->GetPlayPosition(), 0);
    EXPECT_TRUE(second->IsPlaying());
    EXPECT_TRUE(second->IsLooping());
    fixture.RenderBlock();
    EXPECT_EQ(first->GetPlayPosition(), 0);
    EXPECT_EQ(second->GetPlayPosition(), 256);
    EXPECT_DOUBLE_EQ(patterns().PlayCursor(), 256.0 / fixture.Host().GetSamplesPerTick());
    // Stop with Play down: no loop, rewound, Play released.
    patterns().Stop();
    EXPECT_FALSE(patterns().IsPlayDown());
    EXPECT_FALSE(second->IsLooping());
    EXPECT_EQ(second->GetPlayPosition(), 0);
    EXPECT_EQ(patterns().PlayCursor(), -1.0);
}

TEST_F(Editors, SongTransport)
{
    song().SetPlay(true);
    EXPECT_TRUE(song().IsSongPlaying());
    fixture.RenderBlock();
    EXPECT_GT(song().GetSongPosition(), 0.0);
    EXPECT_EQ(song().SongCursor(), song().GetSongPosition());
    // Play again restarts from 0; releasing it stops.
    song().SetPlay(true);
    EXPECT_EQ(song().GetSongPosition(), 0.0);
    song().SetPlay(false);
    EXPECT_FALSE(song().IsSongPlaying());
    EXPECT_EQ(song().SongCursor(), -1.0);
    song().SetLoop(true);
    EXPECT_TRUE(song().IsLoopDown());
    // Record: Play goes down with it; releasing Record stops everything.
    song().SetRecord(true);
    EXPECT_TRUE(song().IsPlayDown());
    EXPECT_TRUE(song().IsSongPlaying());
    song().SetRecord(false);
    EXPECT_FALSE(song().IsPlayDown());
    EXPECT_FALSE(song().IsSongPlaying());
}

TEST_F(Editors, PlacingAndMovingSequenceEntries)
{
    Pattern* pattern = fixture.NewPattern(events, 16);
    const int32_t row = fixture.RowOf(events);
    song().SelectRow(row);
    EXPECT_EQ(Track(events)->selectedPattern, pattern); // the first of its port
    EXPECT_EQ(song().PatternChoices(), (std::vector<Pattern*>{pattern}));
    EXPECT_EQ(song().PlaceAt(row, 50), nullptr); // 66 > 64
    SequenceEntry* entry = song().PlaceAt(row, 48);
    ASSERT_NE(entry, nullptr);
    EXPECT_NE(song().PlaceAt(row, 32), nullptr); // ends where 48 starts
    EXPECT_EQ(song().PlaceAt(row, 40), nullptr); // overlaps
    EXPECT_EQ(song().PlaceAt(fixture.RowOf(keys), 0), nullptr); // not the selected row
    EXPECT_EQ(song().PlaceAt(row, -1), nullptr);

    EXPECT_FALSE(song().MoveEntry(row, entry, 40));  // onto 32
    EXPECT_FALSE(song().MoveEntry(row, entry, 49));  // past the end
    EXPECT_FALSE(song().MoveEntry(row, entry, 48));  // unchanged
    EXPECT_TRUE(song().MoveEntry(row, entry, 0));
    EXPECT_EQ(entry->start, 0);
    song().RemoveEntry(row, entry);
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{32}));
}

TEST_F(Editors, ShrinkingTheSongDropsEntriesPastItsEnd)
{
    Pattern* pattern = fixture.NewPattern(events, 8);
    Pattern* drums = fixture.NewPattern(keys, 4);
    for (int32_t column : {0, 24, 32, 40})
        fixture.Place(events, pattern, column);
    fixture.Place(keys, drums, 28);
    fixture.Place(keys, drums, 34);
    song().SetSequenceLength(32);
    EXPECT_EQ(song().GetSequenceLength(), 32);
    EXPECT_EQ(Starts(Track(events)), (std::vector<int32_t>{0, 24}));
    EXPECT_EQ(Starts(Track(keys)), (std::vector<int32_t>{28}));
    song().SetSequenceLength(100000);
    EXPECT_EQ(song().GetSequenceLength(), 4096);
    song().SetSequenceLength(0);
    EXPECT_EQ(song().GetSequenceLength(), 1);
}

TEST_F(Editors, RemovingAMachineDropsItsPatternsTracksAndSelection)
{
    CMachineContainer* other = fixture.Add("ZT Events", "Events 2");
    Pattern* kept = fixture.NewPattern(other, 4);
    fixture.Place(other, kept, 0);
    Pattern* gone = fixture.NewPattern(events, 4);
    fixture.Place(events, gone, 0);
    song().SelectRow(fixture.RowOf(other));
    fixture.Studio().RemoveMachine(events);
    EXPECT_EQ(patterns().GetPatterns().GetCount(), 1);
    EXPECT_EQ(patterns().GetCurrentMachine(), nullptr);
    EXPECT_EQ(patterns().GetCurrentPattern(), nullptr);
    EXPECT_EQ(song().GetSequence().GetTrackCount(), 2);
    // The selected row follows its track.
    EXPECT_EQ(song().GetSelectedRow(), fixture.RowOf(other));
    EXPECT_EQ(Track(other)->GetEntryCount(), 1);
    fixture.Studio().RemoveMachine(other);
    EXPECT_EQ(song().GetSelectedRow(), -1);
    fixture.Studio().Clear();
    EXPECT_EQ(patterns().GetPatterns().GetCount(), 0);
    EXPECT_EQ(song().GetSequence().GetTrackCount(), 0);
}
