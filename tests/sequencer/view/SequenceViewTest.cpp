// The sequence editor tab under real mouse events: placing with the
// overlap rules, clicks in other rows, dragging and removing entries,
// shrinking the song, and the transport the main tool bar shares.
#include "EditorViewFixture.h"
#include "sequencer/Pattern.h"

namespace {

// The centre of a length unit's cell in a row of the sequence view.
QPoint SequenceCell(CSequenceView& view, int32_t row, int32_t column)
{
    return {CSequenceView::kLabelWidth + (column - view.GetFirstColumn()) * CSequenceView::kUnitWidth + 8,
            (row - view.GetFirstRow()) * CSequenceView::kRowHeight + 8};
}

QPoint Label(int32_t row)
{
    return {40, row * CSequenceView::kRowHeight + 8};
}

} // namespace

class SequenceViewTest : public EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        synth = fx.Add("ZT Events", "Synth 1");
        other = fx.Add("ZT Events", "Synth 2");
        pattern = fx.NewPattern(synth, 16);
        row = fx.RowOf(synth);
        ASSERT_GE(row, 0);
    }
    CSequenceView& View() { return *SequenceTab().View(); }
    const SequenceTrack* Track() { return fx.Song().GetSequence().GetTrack(row); }

    CMachineContainer* synth = nullptr;
    CMachineContainer* other = nullptr;
    Pattern* pattern = nullptr;
    int32_t row = -1;
};

TEST_F(SequenceViewTest, PlacingKeepsEntriesInsideTheSongAndApart)
{
    Click(&View(), Label(row));
    EXPECT_EQ(fx.Song().GetSelectedRow(), row);
    ASSERT_EQ(SequenceTab().PatternCombo()->GetCount(), 1);
    EXPECT_EQ(SequenceTab().PatternCombo()->GetString(0), "Pattern 1");
    fx.Studio().ClearChanged();

    // 50 + 16 > 64; the view shows 48 columns, so scroll to see 50.
    View().SetFirstColumn(20);
    Click(&View(), SequenceCell(View(), row, 50));
    EXPECT_EQ(Track()->GetEntryCount(), 0);
    EXPECT_FALSE(fx.Studio().IsChanged());
    Click(&View(), SequenceCell(View(), row, 48));
    ASSERT_EQ(Track()->GetEntryCount(), 1);
    EXPECT_EQ(Track()->GetEntry(0)->start, 48);
    EXPECT_TRUE(fx.Studio().IsChanged());

    // Ending exactly where the other starts is allowed; overlapping is not.
    View().SetFirstColumn(0);
    Click(&View(), SequenceCell(View(), row, 32));
    ASSERT_EQ(Track()->GetEntryCount(), 2);
    EXPECT_EQ(Track()->GetEntry(1)->start, 32);
    Click(&View(), SequenceCell(View(), row, 20));
    EXPECT_EQ(Track()->GetEntryCount(), 2);

    // The other machine's row is not the selected one.
    const int32_t otherRow = fx.RowOf(other);
    Click(&View(), SequenceCell(View(), otherRow, 0));
    EXPECT_EQ(fx.Song().GetSequence().GetTrack(otherRow)->GetEntryCount(), 0);
    EXPECT_EQ(Track()->GetEntryCount(), 2);
}

TEST_F(SequenceViewTest, EntriesDragByWholeUnitsAndTheRightButtonRemovesThem)
{
    Click(&View(), Label(row));
    Click(&View(), SequenceCell(View(), row, 0));
    Click(&View(), SequenceCell(View(), row, 16));
    ASSERT_EQ(Track()->GetEntryCount(), 2);
    SequenceEntry* first = Track()->GetEntry(0);

    // Hovering makes the entry hot; dragging right onto the second refuses.
    Hover(&View(), SequenceCell(View(), row, 2));
    EXPECT_EQ(View().DragState(), 1);
    EXPECT_EQ(View().HotEntry(), first);
    Drag(&View(), SequenceCell(View(), row, 2), SequenceCell(View(), row, 5));
    EXPECT_EQ(first->start, 0);
    // Left of the song start is refused as well.
    Drag(&View(), SequenceCell(View(), row, 2), SequenceCell(View(), row, 0) - QPoint(20, 0));
    EXPECT_EQ(first->start, 0);

    // The second one moves right by whole units (14 pixels are no unit).
    Drag(&View(), SequenceCell(View(), row, 17), SequenceCell(View(), row, 20) + QPoint(6, 0));
    EXPECT_EQ(Track()->GetEntry(1)->start, 19);
    Drag(&View(), SequenceCell(View(), row, 20), SequenceCell(View(), row, 20) + QPoint(14, 0));
    EXPECT_EQ(Track()->GetEntry(1)->start, 19);

    Click(&View(), SequenceCell(View(), row, 25), Qt::RightButton);
    ASSERT_EQ(Track()->GetEntryCount(), 1);
    EXPECT_EQ(Track()->GetEntry(0), first);
}

TEST_F(SequenceViewTest, ShrinkingTheSequenceDropsEveryEntryPastTheNewEnd)
{
    Click(&View(), Label(row));
    Click(&View(), SequenceCell(View(), row, 0));
    Click(&View(), SequenceCell(View(), row, 24));
    View().SetFirstColumn(16);
    Click(&View(), SequenceCell(View(), row, 40));
    ASSERT_EQ(Track()->GetEntryCount(), 3);

    CUpDown* length = SequenceTab().SequenceLength();
    length->SetValue(32);
    SequenceTab().UpDownChanged(length);
    EXPECT_EQ(fx.Song().GetSequenceLength(), 32);
    ASSERT_EQ(Track()->GetEntryCount(), 1) << "the two neighbours past 32 both go";
    EXPECT_EQ(Track()->GetEntry(0)->start, 0);
    EXPECT_EQ(View().GetFirstColumn(), 0) << "the scroll range follows the song";

    length->SetValue(64);
    SequenceTab().UpDownChanged(length);
    EXPECT_EQ(Track()->GetEntryCount(), 1);
}

TEST_F(SequenceViewTest, TransportButtonsAndTheModelShowTheSameState)
{
    Press(SequenceTab().Button(CSequenceEditorView::kPlay));
    EXPECT_TRUE(fx.Song().IsSongPlaying());
    Press(SequenceTab().Button(CSequenceEditorView::kLoop));
    EXPECT_TRUE(fx.Song().IsLoopDown());

    // The song stopped from elsewhere (the main tool bar): the tab follows.
    fx.Song().Stop();
    SequenceTab().Refresh();
    EXPECT_TRUE(ProcessEventsUntil([&] { return !SequenceTab().Button(CSequenceEditorView::kPlay)->IsChecked(); }));
    EXPECT_TRUE(SequenceTab().Button(CSequenceEditorView::kLoop)->IsChecked());

    // A renamed machine's label is drawn again at the next refresh.
    View().LockBuffer();
    const QImage before = View().Buffer()->copy(0, 0, CSequenceView::kLabelWidth, 64);
    View().UnlockBuffer();
    {
        CLockGuard lock(fx.Studio());
        fx.Studio().RenameMachine(synth, "Bass");
    }
    SequenceTab().Refresh();
    EXPECT_TRUE(ProcessEventsUntil([&] {
        View().LockBuffer();
        const bool changed = View().Buffer()->copy(0, 0, CSequenceView::kLabelWidth, 64) != before;
        View().UnlockBuffer();
        return changed;
    }));

    // Removing the machine takes its row; the view redraws from the model.
    const int32_t tracks = fx.Song().GetSequence().GetTrackCount();
    {
        CLockGuard lock(fx.Studio());
        fx.Studio().RemoveMachine(other);
    }
    SequenceTab().Refresh();
    EXPECT_EQ(fx.Song().GetSequence().GetTrackCount(), tracks - 1);
    EXPECT_TRUE(ProcessEventsUntil([&] { return SequenceTab().PatternCombo()->GetCount() == 0; }));
}

TEST_F(SequenceViewTest, TheSongCursorMovesOnlyWhileTheSongPlays)
{
    fx.SetClock(120, 4);
    Click(&View(), Label(row));
    Click(&View(), SequenceCell(View(), row, 0));
    Press(SequenceTab().Button(CSequenceEditorView::kPlay));
    SequenceTab().Refresh();
    EXPECT_EQ(View().SongCursor(), 0.0);
    for (int i = 0; i < 100; ++i)
        fx.RenderBlock();
    SequenceTab().Refresh();
    const double expected = 100.0 * 256 / fx.Host().GetSamplesPerTick();
    EXPECT_NEAR(View().SongCursor(), expected, 1e-6);
    // Drawn over the grid, not into it.
    const int32_t x = CSequenceView::kLabelWidth + static_cast<int32_t>(expected / 4 * CSequenceView::kUnitWidth);
    View().LockBuffer();
    const QImage buffer = View().Buffer()->copy();
    View().UnlockBuffer();
    const QImage shown = View().Window()->grab().toImage();
    EXPECT_NE(PixelAt(shown, x, 100), PixelAt(buffer, x, 100));
    Press(SequenceTab().Button(CSequenceEditorView::kStop));
    SequenceTab().Refresh();
    EXPECT_EQ(View().SongCursor(), -1.0);
}

TEST_F(SequenceViewTest, TheWheelScrollsTheRows)
{
    for (int i = 0; i < 60; ++i)
        fx.Add("ZT Events", ("More " + std::to_string(i)).c_str());
    SequenceTab().Sync();
    QWheelEvent down(QPointF(300, 50), View().Window()->mapToGlobal(QPointF(300, 50)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View().Window(), &down);
    EXPECT_EQ(View().GetFirstRow(), 3);
    // Half notches add up.
    QWheelEvent up(QPointF(300, 50), View().Window()->mapToGlobal(QPointF(300, 50)), QPoint(), QPoint(0, 60),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View().Window(), &up);
    EXPECT_EQ(View().GetFirstRow(), 3);
    QApplication::sendEvent(View().Window(), &up);
    EXPECT_EQ(View().GetFirstRow(), 0);
    QApplication::sendEvent(View().Window(), &up);
    QApplication::sendEvent(View().Window(), &up);
    EXPECT_EQ(View().GetFirstRow(), 0) << "not above the first row";
}
