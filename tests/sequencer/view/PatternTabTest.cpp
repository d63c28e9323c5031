// The pattern editor tab: its combos' rebuild rules, the pattern commands
// with the rename dialog, the split, the control view's points under real
// mouse events, and the play cursor drawn over the grid.
#include "EditorViewFixture.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/CRenameDialog.h"
#include "ui/CButton.h"
#include "ui/CEditBox.h"
#include "ui/CScrollBar.h"
#include "ui/CSizeBar.h"
#include <QLineEdit>

namespace {

int32_t IndexOf(CComboBox* combo, const std::string& text)
{
    for (int32_t i = 0; i < combo->GetCount(); ++i) {
        if (combo->GetString(i) == text)
            return i;
    }
    return -1;
}

} // namespace

TEST_F(EditorViewTest, ChoosingTheCurrentMachineAgainEmptiesPortsAndPatterns)
{
    fx.Add("ZT Events", "Synth 1");
    fx.Add("ZT Knob", "Knob 1");
    CPatternEditorView& tab = PatternTab();
    ProcessEventsUntil([&] { return tab.MachineCombo()->GetCount() == 2; });
    ASSERT_EQ(tab.MachineCombo()->GetCount(), 2);
    EXPECT_EQ(tab.MachineCombo()->GetCurSel(), -1);
    EXPECT_EQ(tab.PortCombo()->GetCount(), 0);

    Choose(tab.MachineCombo(), IndexOf(tab.MachineCombo(), "Knob 1"));
    ASSERT_EQ(tab.PortCombo()->GetCount(), 1);
    EXPECT_EQ(tab.PortCombo()->GetString(0), "Control In");
    // "Velocity", then the knob's four parameters.
    ASSERT_EQ(tab.PropertyCombo()->GetCount(), 5);
    EXPECT_EQ(tab.PropertyCombo()->GetString(0), "Velocity");

    Press(tab.Button(CPatternEditorView::kAdd));
    Press(tab.Button(CPatternEditorView::kAdd));
    ASSERT_EQ(tab.PatternCombo()->GetCount(), 2);
    EXPECT_EQ(tab.PatternCombo()->GetString(1), "Pattern 2");
    EXPECT_EQ(tab.PatternCombo()->GetCurSel(), 1);

    Choose(tab.MachineCombo(), IndexOf(tab.MachineCombo(), "Knob 1"));
    EXPECT_EQ(fx.Patterns().GetCurrentMachine(), nullptr);
    EXPECT_EQ(tab.MachineCombo()->GetCurSel(), -1);
    EXPECT_EQ(tab.PortCombo()->GetCount(), 0);
    EXPECT_EQ(tab.PatternCombo()->GetCount(), 0);
    EXPECT_EQ(tab.PropertyCombo()->GetCount(), 0);
    // Adding needs a machine: nothing happens.
    Press(tab.Button(CPatternEditorView::kAdd));
    EXPECT_EQ(fx.Patterns().GetPatterns().GetCount(), 2);

    // A renamed machine is renamed in the combo, keeping the choice.
    Choose(tab.MachineCombo(), IndexOf(tab.MachineCombo(), "Synth 1"));
    {
        CLockGuard lock(fx.Studio());
        fx.Studio().RenameMachine(fx.Patterns().GetCurrentMachine(), "Lead");
    }
    EXPECT_TRUE(ProcessEventsUntil([&] { return IndexOf(tab.MachineCombo(), "Lead") >= 0; }));
    EXPECT_EQ(tab.MachineCombo()->GetString(tab.MachineCombo()->GetCurSel()), "Lead");
}

TEST_F(EditorViewTest, PatternsAreAddedRenamedResizedAndRemovedFromTheTab)
{
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    CPatternEditorView& tab = PatternTab();
    ProcessEventsUntil([&] { return tab.MachineCombo()->GetCount() == 1; });
    Choose(tab.MachineCombo(), 0);
    tab.PatternLength()->SetValue(8);
    tab.UpDownChanged(tab.PatternLength());
    Press(tab.Button(CPatternEditorView::kAdd));
    Pattern* pattern = fx.Patterns().GetCurrentPattern();
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->GetLength(), 8);

    // Placed in the song at 56 .. 64, then grown past the song's end.
    fx.Place(synth, pattern, 56);
    ASSERT_EQ(fx.Song().GetSequence().GetTrack(fx.RowOf(synth))->GetEntryCount(), 1);
    tab.PatternLength()->SetValue(12);
    tab.UpDownChanged(tab.PatternLength());
    EXPECT_EQ(pattern->GetLength(), 12);
    EXPECT_EQ(fx.Song().GetSequence().GetTrack(fx.RowOf(synth))->GetEntryCount(), 0);
    EXPECT_EQ(tab.ScrollBar()->GetPosition(), 0);

    // The dialog opens with the current name; "OK" renames.
    fx.Studio().ClearChanged();
    Press(tab.Button(CPatternEditorView::kRename));
    CRenameDialog* dialog = tab.RenameDialog();
    ASSERT_TRUE(dialog->IsVisible());
    auto* line = dialog->Window()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text().toStdString(), "Pattern 1");
    line->selectAll();
    QTest::keyClicks(line, "Verse");
    QTest::mouseClick(dialog->OkButton()->Window()->findChild<QAbstractButton*>(), Qt::LeftButton);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(pattern->GetName(), "Verse");
    EXPECT_EQ(tab.PatternCombo()->GetString(0), "Verse");
    EXPECT_TRUE(fx.Studio().IsChanged());

    // Cancel keeps the name.
    Press(tab.Button(CPatternEditorView::kRename));
    line->selectAll();
    QTest::keyClicks(line, "Chorus");
    QTest::mouseClick(dialog->CancelButton()->Window()->findChild<QAbstractButton*>(), Qt::LeftButton);
    EXPECT_EQ(pattern->GetName(), "Verse");

    Press(tab.Button(CPatternEditorView::kAdd));
    Press(tab.Button(CPatternEditorView::kAdd));
    Choose(tab.PatternCombo(), 1);
    Press(tab.Button(CPatternEditorView::kRemove));
    ASSERT_EQ(tab.PatternCombo()->GetCount(), 2);
    EXPECT_EQ(tab.PatternCombo()->GetCurSel(), 1) << "the neighbour at the same place";
    // The smallest free number went to the first added after the rename.
    EXPECT_EQ(tab.PatternCombo()->GetString(1), "Pattern 2");
    EXPECT_EQ(fx.Patterns().GetCurrentPattern()->GetName(), "Pattern 2");
}

TEST_F(EditorViewTest, TheSizeBarMovesTheSplitWithinItsLimits)
{
    CPatternEditorView& tab = PatternTab();
    const int32_t span = 700 - 112;
    EXPECT_EQ(Notes().Height(), static_cast<int32_t>(span * 0.65f));
    CSizeBar* bar = tab.SizeBar();
    const QPoint grip(300, 3);
    QTest::mousePress(bar->Window(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar->Window(), grip + QPoint(0, -span / 4));
    QTest::mouseRelease(bar->Window(), Qt::LeftButton, {}, grip + QPoint(0, -span / 4));
    EXPECT_NEAR(tab.SplitRatio(), 0.40f, 0.01f);
    EXPECT_EQ(tab.ControlView()->Y(), Notes().Height() + 96);
    QTest::mousePress(bar->Window(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar->Window(), grip + QPoint(0, 2 * span));
    QTest::mouseRelease(bar->Window(), Qt::LeftButton, {}, grip + QPoint(0, 2 * span));
    EXPECT_FLOAT_EQ(tab.SplitRatio(), 0.9f);
    EXPECT_EQ(tab.ControlView()->Height(), 700 - Notes().Height() - 118);
}

TEST_F(EditorViewTest, ControlPointsAreSetDraggedWithTheirValueTipAndCleared)
{
    CMachineContainer* knob = fx.Add("ZT Knob", "Knob 1");
    Pattern* pattern = fx.NewPattern(knob, 4);
    CPatternEditorView& tab = PatternTab();
    tab.Sync();
    // A track for the second knob parameter, once only.
    Choose(tab.PropertyCombo(), 2);
    Press(tab.Button(CPatternEditorView::kAddTrack));
    Press(tab.Button(CPatternEditorView::kAddTrack));
    ASSERT_EQ(pattern->GetControlTrackCount(), 1);
    ControlTrack* track = pattern->GetControlTrack(0);
    EXPECT_EQ(track->property, 1);

    CControlView* view = tab.ControlView();
    const int32_t x = CControlView::kLabelWidth + 3 * CControlView::kTickWidth + 8;
    // A click 57 pixels into the lane sets 1 - 57/114 = 0.5.
    QTest::mouseMove(view->Window(), QPoint(x, 57));
    QTest::mousePress(view->Window(), Qt::LeftButton, {}, QPoint(x, 57));
    EXPECT_TRUE(track->Point(3).set);
    EXPECT_FLOAT_EQ(track->Point(3).value, 0.5f);
    EXPECT_TRUE(view->IsTipShown());
    EXPECT_EQ(view->TipText(), "0.50");
    // Dragging up by 57 pixels reaches 1 and stays there.
    QTest::mouseMove(view->Window(), QPoint(x, 0));
    EXPECT_FLOAT_EQ(track->Point(3).value, 1.0f);
    EXPECT_EQ(view->TipText(), "1.00");
    QTest::mouseMove(view->Window(), QPoint(x, -40));
    EXPECT_FLOAT_EQ(track->Point(3).value, 1.0f);
    QTest::mouseRelease(view->Window(), Qt::LeftButton, {}, QPoint(x, -40));
    EXPECT_FALSE(view->IsTipShown());

    // The box now lies at the lane's top: hover it, drag it down to 0.25.
    Hover(view, QPoint(x, 5));
    QTest::mousePress(view->Window(), Qt::LeftButton, {}, QPoint(x, 5));
    QTest::mouseMove(view->Window(), QPoint(x, 5 + 85));
    EXPECT_NEAR(track->Point(3).value, 1.0f - 85.0f / 114.0f, 1e-6);
    QTest::mouseRelease(view->Window(), Qt::LeftButton, {}, QPoint(x, 90));

    const int32_t top = static_cast<int32_t>((1.0f - track->Point(3).value) * CControlView::kValueSpan);
    Hover(view, QPoint(x, top + 4));
    QTest::mouseClick(view->Window(), Qt::RightButton, {}, QPoint(x, top + 4));
    EXPECT_FALSE(track->Point(3).set);
    EXPECT_EQ(track->Point(3).value, 0.0f);

    Press(tab.Button(CPatternEditorView::kRemoveTrack));
    EXPECT_EQ(pattern->GetControlTrackCount(), 0);
}

TEST_F(EditorViewTest, ThePlayCursorFollowsThePatternOverTheGrid)
{
    fx.SetClock(120, 4);
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    fx.NewPattern(synth, 4);
    CPatternEditorView& tab = PatternTab();
    tab.Sync();
    Press(tab.Button(CPatternEditorView::kLoop));
    Press(tab.Button(CPatternEditorView::kPlay));
    EXPECT_TRUE(fx.Patterns().IsPlayDown());
    tab.Refresh();
    const QImage before = Grid();
    for (int i = 0; i < 40; ++i)
        fx.RenderBlock();
    tab.Refresh();
    const double expected = 40.0 * 256 / fx.Host().GetSamplesPerTick();
    EXPECT_NEAR(Notes().PlayCursor(), expected, 1e-6);
    // The grid is not rendered again for a cursor; the window shows it.
    EXPECT_EQ(Grid(), before);
    const int32_t x = CNoteView::kLabelWidth + static_cast<int32_t>(expected * CNoteView::kTickWidth);
    const QImage shown = Notes().Window()->grab().toImage();
    EXPECT_NE(PixelAt(shown, x, 5), PixelAt(before, x, 5));

    // The pattern stopped by the model (as the song's stop would): the
    // button follows at the next refresh.
    fx.Patterns().Stop();
    tab.Refresh();
    EXPECT_TRUE(ProcessEventsUntil([&] { return !tab.Button(CPatternEditorView::kPlay)->IsChecked(); }));
    tab.Refresh();
    EXPECT_EQ(Notes().PlayCursor(), -1.0);
}
