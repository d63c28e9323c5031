// The note view under real mouse events: the placement rule at the
// pattern's end, dragging onto other notes, resizing, removing, the
// rubber band with the context menu, named keys, and notes that no editor
// here would have written.
#include "EditorViewFixture.h"
#include "sequencer/Pattern.h"
#include <vector>

namespace {

std::vector<PatternNote*> NotesOf(const Pattern* pattern)
{
    std::vector<PatternNote*> notes;
    for (PatternNote* note = pattern->FirstNote(); note; note = note->NextNode())
        notes.push_back(note);
    return notes;
}

} // namespace

TEST_F(EditorViewTest, AClickAddsANoteOnlyWhereItFitsThePattern)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 16);
    PatternTab().Sync();
    fx.Studio().ClearChanged();
    PatternTab().NoteLength()->SetValue(4);
    PatternTab().UpDownChanged(PatternTab().NoteLength());
    // 14 columns show; the last ticks need the shared scroll bar.
    PatternTab().HorizontalScroll(2);
    ASSERT_EQ(Notes().GetFirstColumn(), 2);

    Click(&Notes(), Cell(62, 60));
    EXPECT_EQ(pattern->GetNoteCount(), 0) << "62 + 4 is past the end at 64";
    EXPECT_FALSE(fx.Studio().IsChanged());

    Click(&Notes(), Cell(60, 60));
    ASSERT_EQ(pattern->GetNoteCount(), 1);
    EXPECT_EQ(pattern->FirstNote()->start, 60);
    EXPECT_EQ(pattern->FirstNote()->End(), 64);
    EXPECT_EQ(pattern->FirstNote()->pitch, 60);
    EXPECT_TRUE(fx.Studio().IsChanged());
    // Drawn where it was clicked.
    const QRgb drawn = PixelAt(Grid(), Cell(61, 60).x(), Cell(61, 60).y());
    EXPECT_TRUE(drawn == Rgb(204, 150, 0) || drawn == Rgb(229, 168, 0)) << std::hex << drawn;
}

TEST_F(EditorViewTest, DraggingOntoANoteOfTheSameKeyIsRefusedButAnotherKeyTakesIt)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 4);
    PatternTab().Sync();
    Click(&Notes(), Cell(0, 64));
    Click(&Notes(), Cell(4, 64));
    ASSERT_EQ(pattern->GetNoteCount(), 2);
    PatternNote* first = NotesOf(pattern)[0];

    // Onto the other note's tick in the same row: the move is refused.
    Drag(&Notes(), Cell(0, 64), Cell(4, 64));
    EXPECT_EQ(first->start, 0);
    EXPECT_EQ(first->pitch, 64);

    // Onto the same ticks one row up: taken, start and key together.
    Drag(&Notes(), Cell(0, 64), Cell(4, 65));
    EXPECT_EQ(first->start, 4);
    EXPECT_EQ(first->pitch, 65);
    EXPECT_EQ(first->length, 1);
}

TEST_F(EditorViewTest, EdgesResizeAndTheRightButtonRemoves)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 4);
    PatternTab().Sync();
    PatternTab().NoteLength()->SetValue(4);
    PatternTab().UpDownChanged(PatternTab().NoteLength());
    Click(&Notes(), Cell(4, 60));
    ASSERT_EQ(pattern->GetNoteCount(), 1);
    PatternNote* note = pattern->FirstNote();

    // The right end (within 7 pixels) stretches it by whole ticks.
    const QPoint end(Cell(7, 60).x() + 5, Cell(7, 60).y());
    Drag(&Notes(), end, end + QPoint(2 * CNoteView::kTickWidth + 3, 0));
    EXPECT_EQ(note->start, 4);
    EXPECT_EQ(note->length, 6);

    // The left edge (within 4 pixels) moves the start and keeps the end.
    const QPoint start(Cell(4, 60).x() - 7, Cell(4, 60).y());
    Drag(&Notes(), start, start + QPoint(-3 * CNoteView::kTickWidth, 0));
    EXPECT_EQ(note->start, 1);
    EXPECT_EQ(note->End(), 10);

    // Resizing to nothing is refused.
    Drag(&Notes(), start - QPoint(3 * CNoteView::kTickWidth, 0), start + QPoint(20 * CNoteView::kTickWidth, 0));
    EXPECT_GE(note->length, 1);
    EXPECT_EQ(note->End(), 10);

    Click(&Notes(), Cell(5, 60), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 0);
    EXPECT_EQ(Notes().HoveredNote(), nullptr);
}

TEST_F(EditorViewTest, PastingPartlyOutsideAddsOnlyTheNotesThatFit)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 4);
    PatternTab().Sync();
    Click(&Notes(), Cell(0, 62));
    Click(&Notes(), Cell(2, 61));
    Click(&Notes(), Cell(6, 60));
    ASSERT_EQ(pattern->GetNoteCount(), 3);

    Press(PatternTab().Button(CPatternEditorView::kSelect));
    ASSERT_EQ(Notes().GetMouseMode(), CNoteView::kSelectIdle);
    EXPECT_FALSE(PatternTab().Button(CPatternEditorView::kEdit)->IsChecked());

    // Nothing selected, nothing copied: only the menu's frame is offered.
    AnswerMenu("Copy");
    Click(&Notes(), Cell(1, 61), Qt::RightButton);
    EXPECT_FALSE(menuEnabled["Cut"]);
    EXPECT_FALSE(menuEnabled["Copy"]);
    EXPECT_FALSE(menuEnabled["Paste"]);
    EXPECT_FALSE(menuEnabled["Delete"]);
    EXPECT_FALSE(menuEnabled["Deselect"]);

    // A band from tick 0, key 62 down to tick 6, key 60 holds all three.
    Drag(&Notes(), Cell(0, 62), Cell(6, 60));
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(Notes().GetSelection(left, top, right, bottom));
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 6);
    EXPECT_EQ(top, 127 - 62);
    EXPECT_EQ(bottom, 127 - 60);

    AnswerMenu("Copy");
    Click(&Notes(), Cell(3, 70), Qt::RightButton);
    EXPECT_TRUE(menuEnabled["Copy"]);
    EXPECT_FALSE(menuEnabled["Paste"]);
    EXPECT_TRUE(Notes().GetSelection(left, top, right, bottom)) << "Copy keeps the selection";

    // At tick 12 of 16: the notes at +0 and +2 fit, the one at +6 does not.
    AnswerMenu("Paste");
    Click(&Notes(), Cell(12, 72), Qt::RightButton);
    EXPECT_TRUE(menuEnabled["Paste"]);
    ASSERT_EQ(pattern->GetNoteCount(), 5);
    std::vector<PatternNote*> notes = NotesOf(pattern);
    EXPECT_EQ(notes[3]->start, 12);
    EXPECT_EQ(notes[3]->pitch, 72);
    EXPECT_EQ(notes[4]->start, 14);
    EXPECT_EQ(notes[4]->pitch, 71);
    EXPECT_FALSE(Notes().GetSelection(left, top, right, bottom)) << "a paste that added clears the selection";

    // Cut through a band dragged from its bottom-right corner to the top-left.
    Drag(&Notes(), Cell(15, 70), Cell(12, 72));
    AnswerMenu("Cut");
    Click(&Notes(), Cell(13, 71), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 3);
}

TEST_F(EditorViewTest, ASelectionEdgeDragsOneSideOnly)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    fx.NewPattern(synth, 4);
    PatternTab().Sync();
    Press(PatternTab().Button(CPatternEditorView::kSelect));
    Drag(&Notes(), Cell(2, 62), Cell(4, 60));
    // The right edge lies at the end of tick 4; drag it to the end of tick 8.
    const QPoint edge(CNoteView::kLabelWidth + 5 * CNoteView::kTickWidth, Cell(4, 61).y());
    Drag(&Notes(), edge, edge + QPoint(4 * CNoteView::kTickWidth, 0));
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(Notes().GetSelection(left, top, right, bottom));
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 9);
    EXPECT_EQ(top, 127 - 62);
    EXPECT_EQ(bottom, 127 - 60);
    // Releasing the pressed mode button keeps it pressed.
    Press(PatternTab().Button(CPatternEditorView::kSelect));
    EXPECT_TRUE(PatternTab().Button(CPatternEditorView::kSelect)->IsChecked());
    EXPECT_EQ(Notes().GetMouseMode(), CNoteView::kSelectIdle);
}

TEST_F(EditorViewTest, AMachineWithEightNamedKeysShowsEightRowsFromKeyZero)
{
    CMachineContainer* drums = fx.Add("ZT Keys", "Drums 1");
    Pattern* pattern = fx.NewPattern(drums, 4);
    PatternTab().Sync();
    EXPECT_EQ(Notes().KeyCount(), 8);
    EXPECT_EQ(Notes().GetFirstRow(), 0);
    Click(&Notes(), QPoint(CNoteView::kLabelWidth + 8, 8));
    Click(&Notes(), QPoint(CNoteView::kLabelWidth + 8, 7 * CNoteView::kRowHeight + 8));
    Click(&Notes(), QPoint(CNoteView::kLabelWidth + 8, 8 * CNoteView::kRowHeight + 8));
    std::vector<PatternNote*> notes = NotesOf(pattern);
    ASSERT_EQ(notes.size(), 2u) << "below the eighth row there is no key";
    EXPECT_EQ(notes[0]->pitch, 0);
    EXPECT_EQ(notes[1]->pitch, 7);
    // Moving down one row is the next key.
    Drag(&Notes(), QPoint(CNoteView::kLabelWidth + 8, 8), QPoint(CNoteView::kLabelWidth + 8, 24));
    EXPECT_EQ(notes[0]->pitch, 1);
    // Rows past the keys are not drawn as keys.
    const QImage grid = Grid();
    EXPECT_EQ(PixelAt(grid, 40, 9 * CNoteView::kRowHeight), Rgb(0, 0, 0));
    EXPECT_NE(PixelAt(grid, 40, 4), Rgb(0, 0, 0));
}

TEST_F(EditorViewTest, NotesFromElsewhereOutsideTheKeysOrPastTheEndShowAndCanBeRemoved)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 2);
    {
        CLockGuard lock(fx.Patterns());
        pattern->AddNote(3, 2, 200);  // above the highest key
        pattern->AddNote(40, 4, 60);  // past the end at 8
        pattern->AddNote(0, 4, 50);   // two overlapping notes of one key
        pattern->AddNote(2, 4, 50);
        pattern->AddNote(-5, 3, -7);  // before the start, below the lowest key
    }
    PatternTab().Sync();
    Notes().SetFirstRow(0);
    // The note above the keys is pinned to the top row.
    EXPECT_NE(PixelAt(Grid(), Cell(3, 127).x(), Cell(3, 127).y()), PixelAt(Grid(), Cell(6, 127).x(), Cell(6, 127).y()));
    Click(&Notes(), Cell(3, 127), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 4);
    // The one past the end shows in the last tick.
    Notes().SetFirstRow(127 - 70);
    Click(&Notes(), Cell(7, 60), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 3);
    Click(&Notes(), Cell(3, 50), Qt::RightButton);
    Click(&Notes(), Cell(1, 50), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 1);
    Notes().SetFirstRow(200);
    Click(&Notes(), Cell(0, 0), Qt::RightButton);
    EXPECT_EQ(pattern->GetNoteCount(), 0);
}

TEST_F(EditorViewTest, TheWheelScrollsThroughTheKeys)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    fx.NewPattern(synth, 4);
    PatternTab().Sync();
    const int32_t before = Notes().GetFirstRow();
    QWheelEvent down(QPointF(200, 50), Notes().Window()->mapToGlobal(QPointF(200, 50)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Notes().Window(), &down);
    EXPECT_EQ(Notes().GetFirstRow(), before + 3);
    for (int i = 0; i < 100; ++i)
        QApplication::sendEvent(Notes().Window(), &down);
    EXPECT_LE(Notes().GetFirstRow() + Notes().VisibleRows(), 129) << "scrolling stops at the lowest key";
}
