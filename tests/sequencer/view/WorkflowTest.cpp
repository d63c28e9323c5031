// A song written with the mouse alone: a pattern added in the pattern tab,
// four notes clicked into the note view, a velocity point set in the control
// view, the pattern placed twice in the sequence view, the song played
// through the render cycle; the machine hears each note at its tick with its
// key and velocity, and the project saved and read back holds the same.
#include "EditorViewFixture.h"
#include "sequencer/Pattern.h"
#include "support/TempFolder.h"
#include <array>
#include <vector>

namespace {

struct Heard {
    int64_t frame;
    int32_t key;
    double velocity;
};

} // namespace

TEST_F(EditorViewTest, ASongWrittenWithTheMouseSoundsAsClickedAndSurvivesASave)
{
    fx.SetClock(120, 4);
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    CPatternEditorView& tab = PatternTab();
    ProcessEventsUntil([&] { return tab.MachineCombo()->GetCount() == 1; });
    Choose(tab.MachineCombo(), 0);
    tab.PatternLength()->SetValue(4);
    tab.UpDownChanged(tab.PatternLength());
    tab.NoteLength()->SetValue(2);
    tab.UpDownChanged(tab.NoteLength());
    Press(tab.Button(CPatternEditorView::kAdd));
    Pattern* pattern = fx.Patterns().GetCurrentPattern();
    ASSERT_NE(pattern, nullptr);

    const int32_t chord[4][2] = {{0, 60}, {4, 65}, {8, 67}, {12, 72}};
    for (const auto& note : chord)
        Click(&Notes(), Cell(note[0], note[1]));
    ASSERT_EQ(pattern->GetNoteCount(), 4);

    Choose(tab.PropertyCombo(), 0);
    ASSERT_EQ(tab.PropertyCombo()->GetString(0), "Velocity");
    Press(tab.Button(CPatternEditorView::kAddTrack));
    ASSERT_NE(pattern->GetVelocityTrack(), nullptr);
    // Half-way down the lane at tick 4: velocity 0.5 for the second note.
    Click(tab.ControlView(), QPoint(CControlView::kLabelWidth + 4 * CControlView::kTickWidth + 8, 57));
    ASSERT_FLOAT_EQ(pattern->GetVelocityTrack()->Point(4).value, 0.5f);

    CSequenceEditorView& song = SequenceTab();
    CSequenceView& view = *song.View();
    const int32_t row = fx.RowOf(synth);
    Click(&view, QPoint(40, row * CSequenceView::kRowHeight + 8));
    for (int32_t column : {0, 8})
        Click(&view, QPoint(CSequenceView::kLabelWidth + column * CSequenceView::kUnitWidth + 8,
                            row * CSequenceView::kRowHeight + 8));
    ASSERT_EQ(fx.Song().GetSequence().GetTrack(row)->GetEntryCount(), 2);
    EXPECT_TRUE(fx.Studio().IsChanged());

    Press(song.Button(CSequenceEditorView::kPlay));
    ASSERT_TRUE(fx.Song().IsSongPlaying());
    const int32_t samplesPerTick = fx.Host().GetSamplesPerTick();
    const int64_t blocks = 48LL * samplesPerTick / 256 + 2;
    for (int64_t b = 0; b < blocks; ++b)
        fx.RenderBlock();
    Press(song.Button(CSequenceEditorView::kStop));

    std::vector<Heard> heard;
    const auto seen = static_cast<CEventMachine*>(synth->GetMachine())->Seen();
    for (size_t b = 0; b < seen.size(); ++b) {
        for (const MachineEvent& e : seen[b]) {
            if (e.kind == EVENT_NOTE_ON || e.kind == EVENT_NOTE_ON_INT)
                heard.push_back({static_cast<int64_t>(b) * 256 + e.time, e.NoteKey(), e.value});
        }
    }
    ASSERT_EQ(heard.size(), 8u);
    for (size_t i = 0; i < heard.size(); ++i) {
        const auto& note = chord[i % 4];
        const int64_t tick = note[0] + (i < 4 ? 0 : 32);
        EXPECT_EQ(heard[i].frame, tick * samplesPerTick) << i;
        EXPECT_EQ(heard[i].key, note[1]) << i;
        EXPECT_NEAR(heard[i].velocity, i % 4 == 1 ? 0.5 : 1.0, 1e-6) << i;
    }

    TempFolder temp;
    const std::string file = temp / "mouse.vmp";
    fx.session.SaveProject(file);
    CSequencerFixture reopened;
    ASSERT_EQ(reopened.session.LoadProject(file), 0);
    ASSERT_EQ(reopened.Patterns().GetPatterns().GetCount(), 1);
    const Pattern* read = reopened.Patterns().GetPatterns().GetItem(0);
    std::vector<std::array<int32_t, 3>> written, back;
    for (const PatternNote* n = pattern->FirstNote(); n; n = n->NextNode())
        written.push_back({n->start, n->length, n->pitch});
    for (const PatternNote* n = read->FirstNote(); n; n = n->NextNode())
        back.push_back({n->start, n->length, n->pitch});
    EXPECT_EQ(back, written);
    ASSERT_NE(read->GetVelocityTrack(), nullptr);
    EXPECT_FLOAT_EQ(read->GetVelocityTrack()->Point(4).value, 0.5f);
    const Sequence& sequence = reopened.Song().GetSequence();
    ASSERT_EQ(sequence.GetTrackCount(), 1);
    ASSERT_EQ(sequence.GetTrack(0)->GetEntryCount(), 2);
    EXPECT_EQ(sequence.GetTrack(0)->GetEntry(0)->start, 0);
    EXPECT_EQ(sequence.GetTrack(0)->GetEntry(1)->start, 8);
}
