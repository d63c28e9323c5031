// The editors shown in machine boxes: the default editor with its program
// bar, a machine's own editor, and a machine whose editor throws.
#include "StudioViewFixture.h"
#include "studio/view/CDefaultGUI.h"
#include "studio/view/CDefaultGUISlider.h"
#include "studio/view/CProgramToolBar.h"
#include "ui/CComboBox.h"
#include "ui/CScrollBar.h"
#include <QComboBox>
#include <QScrollBar>
#include <QSlider>
#include <thread>

namespace {

CEditorMachine* EditorMachine(CMachineContainer* container)
{
    return static_cast<CEditorMachine*>(container->GetMachine());
}

} // namespace

TEST_F(StudioViewTest, DefaultEditorSliderSetsTheParameterUnderTheMachineLock)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    CEditorMachine* machine = EditorMachine(container);
    machine->values = {0.25, 0.5, 0.75};
    ASSERT_TRUE(ChooseOnBox(container, "Show Default GUI"));
    CMachineBox* box = Box(container);
    ASSERT_NE(box->defaultGUI, nullptr);
    EXPECT_EQ(container->guiState, CMachineContainer::GUI_DEFAULT);
    CDefaultGUI* editor = box->defaultGUI;
    EXPECT_TRUE(editor->IsVisible());
    EXPECT_EQ(editor->GetVisibleRows(), 3);
    EXPECT_EQ(editor->GetScrollBar(), nullptr);
    EXPECT_EQ(editor->GetDisplayText(1), "0.500");
    CDefaultGUISlider* slider = editor->SliderForRow(1);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->X(), 172);
    EXPECT_EQ(slider->Width(), 129);
    EXPECT_EQ(slider->Height(), 24);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.5);
    // The box grew around the editor, which sits inside it.
    QRect inside = QRect(view->ToView(box->Position()), box->Bounds().size());
    EXPECT_TRUE(inside.contains(QRect(editor->X(), editor->Y(), editor->Width(), editor->Height())));

    machine->lockedOnSet.clear();
    QTest::keyClick(slider->Window()->findChild<QSlider*>(), Qt::Key_End);
    EXPECT_DOUBLE_EQ(machine->values[1], 1.0);
    ASSERT_FALSE(machine->lockedOnSet.empty());
    EXPECT_TRUE(machine->lockedOnSet.back());
    EXPECT_EQ(editor->GetDisplayText(1), "1.000");
    EXPECT_TRUE(studio().IsChanged());

    // Hide GUI and back: the rows are read again.
    ASSERT_TRUE(ChooseOnBox(container, "Hide GUI"));
    EXPECT_FALSE(editor->IsVisible());
    EXPECT_EQ(container->guiState, CMachineContainer::GUI_BOX);
    machine->values[0] = 0.125;
    ASSERT_TRUE(ChooseOnBox(container, "Show Default GUI"));
    EXPECT_EQ(box->defaultGUI->GetDisplayText(0), "0.125");
}

TEST_F(StudioViewTest, RandomizeSetsEveryParameterLockedAndRefreshesTheRows)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    CEditorMachine* machine = EditorMachine(container);
    ASSERT_TRUE(ChooseOnBox(container, "Show Default GUI"));
    std::srand(7);
    machine->lockedOnSet.clear();
    ASSERT_TRUE(ChooseOnBox(container, "Randomize"));
    ASSERT_EQ(machine->lockedOnSet.size(), 3u);
    for (bool locked : machine->lockedOnSet)
        EXPECT_TRUE(locked);
    EXPECT_TRUE(studio().IsChanged());
    CDefaultGUI* editor = Box(container)->defaultGUI;
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(editor->GetShownValue(i), machine->values[static_cast<size_t>(i)]);
        EXPECT_NEAR(editor->SliderForRow(i)->GetValue(), machine->values[static_cast<size_t>(i)], 0.001);
    }
}

TEST_F(StudioViewTest, ParameterChangesFromAnotherThreadReachTheEditorLater)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    CEditorMachine* machine = EditorMachine(container);
    view->ShowEditor(Box(container), CMachineContainer::GUI_DEFAULT);
    CDefaultGUI* editor = Box(container)->defaultGUI;
    // A machine automating itself inside a block.
    std::thread render([&] {
        CLockGuard lock(*machine);
        machine->host->ParameterChanged(machine, 2, 0.875);
    });
    render.join();
    EXPECT_DOUBLE_EQ(machine->values[2], 0.875);
    EXPECT_NE(editor->GetDisplayText(2), "0.875"); // only noted so far
    view->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return editor->GetDisplayText(2) == "0.875"; }));
    EXPECT_NEAR(editor->SliderForRow(2)->GetValue(), 0.875, 0.001);
}

TEST_F(StudioViewTest, ManyParametersScrollRowByRow)
{
    CMachineContainer* container = Add("ZT DudeRivi", 100, 60);
    const int32_t count = container->GetMachine()->parameterCount;
    ASSERT_GT(count, CDefaultGUI::kMostVisibleRows);
    view->ShowEditor(Box(container), CMachineContainer::GUI_DEFAULT);
    CDefaultGUI* editor = Box(container)->defaultGUI;
    ASSERT_NE(editor->GetScrollBar(), nullptr);
    auto* bar = editor->GetScrollBar()->Window()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), count - CDefaultGUI::kMostVisibleRows);
    QTest::keyClick(bar, Qt::Key_Down);
    EXPECT_EQ(editor->GetFirstRow(), 1);
    EXPECT_EQ(editor->SliderForRow(0), nullptr);
    CDefaultGUISlider* lastRow = editor->SliderForRow(count - CDefaultGUI::kMostVisibleRows);
    EXPECT_EQ(lastRow, nullptr);
    QTest::keyClick(bar, Qt::Key_End);
    lastRow = editor->SliderForRow(count - 1);
    ASSERT_NE(lastRow, nullptr);
    // The slider of the last row now stands for the last parameter.
    EXPECT_EQ(lastRow->GetIndex(), count - 1);
    CMachine* machine = container->GetMachine();
    double before = machine->GetParameter(count - 1);
    QTest::keyClick(lastRow->Window()->findChild<QSlider*>(), before > 0.5 ? Qt::Key_Home : Qt::Key_End);
    EXPECT_NE(machine->GetParameter(count - 1), before);
}

TEST_F(StudioViewTest, ProgramComboSetsTheProgramAndRereadsTheRows)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    CEditorMachine* machine = EditorMachine(container);
    // Program C holds other values than the current ones.
    machine->programs[2].values[0] = 0.9;
    view->ShowEditor(Box(container), CMachineContainer::GUI_DEFAULT);
    CProgramToolBar* bar = Box(container)->programBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->X(), Box(container)->defaultGUI->X());
    EXPECT_EQ(bar->Width(), 256);
    EXPECT_EQ(bar->Height(), 24);
    auto* combo = view->Window()->findChild<QWidget*>("ProgramCombo");
    ASSERT_NE(combo, nullptr);
    auto* native = combo->findChild<QComboBox*>();
    ASSERT_NE(native, nullptr);
    ASSERT_EQ(native->count(), 3);
    EXPECT_EQ(native->itemText(1).toStdString(), "Sound B");
    EXPECT_EQ(native->currentIndex(), 0);
    QTest::keyClick(native, Qt::Key_Down);
    QTest::keyClick(native, Qt::Key_Down);
    EXPECT_EQ(machine->GetProgram(), 2);
    EXPECT_DOUBLE_EQ(machine->values[0], 0.9);
    EXPECT_EQ(Box(container)->defaultGUI->GetDisplayText(0), "0.900");
    EXPECT_TRUE(studio().IsChanged());
}

TEST_F(StudioViewTest, OwnEditorIsCreatedOnceInsideTheBoxAndHiddenOnLeaving)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    CEditorMachine* machine = EditorMachine(container);
    ASSERT_TRUE(ChooseOnBox(container, "Show Custom GUI"));
    CMachineBox* box = Box(container);
    ASSERT_NE(machine->editor, nullptr);
    ASSERT_NE(box->editorFrame, nullptr);
    EXPECT_EQ(machine->editor->Parent(), box->editorFrame);
    EXPECT_EQ(QSize(box->editorFrame->Width(), box->editorFrame->Height()), QSize(180, 60));
    EXPECT_TRUE(machine->editor->IsVisible());
    EXPECT_EQ(machine->shows, 1);
    EXPECT_EQ(container->guiState, CMachineContainer::GUI_CUSTOM);
    EXPECT_GE(box->Bounds().height(), 60 + CMachineBox::kTitleHeight);

    ASSERT_TRUE(ChooseOnBox(container, "Show Default GUI"));
    EXPECT_EQ(machine->hides, 1);
    EXPECT_FALSE(box->editorFrame->IsVisible());
    CLabel* first = machine->editor;
    ASSERT_TRUE(ChooseOnBox(container, "Show Custom GUI"));
    EXPECT_EQ(machine->editor, first);
    EXPECT_EQ(machine->shows, 2);
    // Idle time reaches a shown editor through the graphics thread's refresh.
    view->Refresh();
    EXPECT_TRUE(ProcessEventsUntil([&] { return machine->idles > 0; }));

    // Deleting the machine with its editor open.
    ASSERT_TRUE(ChooseOnBox(container, "Delete Machine"));
    EXPECT_EQ(view->GetBoxCount(), 1);
    QCoreApplication::processEvents();
}

TEST_F(StudioViewTest, ThrowingEditorShowsTheErrorAndTheStudioGoesOn)
{
    CShownErrors errors;
    CMachineContainer* container = Add("ZT Throwing Editor", 300, 60);
    ASSERT_TRUE(ChooseOnBox(container, "Show Custom GUI"));
    ASSERT_EQ(errors.texts().size(), 1u);
    EXPECT_NE(errors.texts()[0].find("ZT Throwing Editor 1"), std::string::npos) << errors.texts()[0];
    EXPECT_NE(errors.texts()[0].find("Editor Exploded"), std::string::npos);
    EXPECT_EQ(container->guiState, CMachineContainer::GUI_BOX);
    EXPECT_EQ(Box(container)->shownState, CMachineContainer::GUI_BOX);
    // Not offered again, and everything else still works.
    Click(TitlePoint(container), Qt::RightButton);
    std::vector<std::string> items = Items(OpenedMenu(view->GetBoxMenu()));
    view->GetBoxMenu().Close();
    EXPECT_EQ(items[2], "(grey) Show Custom GUI");
    ASSERT_TRUE(ChooseOnBox(container, "Show Default GUI"));
    EXPECT_NE(Box(container)->defaultGUI, nullptr);
    Click(QPoint(600, 500), Qt::RightButton);
    ASSERT_TRUE(Choose(view->GetMachineMenu(), "ZT DudeRivi"));
    EXPECT_EQ(view->GetBoxCount(), 3);
}

TEST_F(StudioViewTest, LoadedEditorStatesAreShownOnceTheLoaderSetThem)
{
    CMachineContainer* container = Add("ZT Own Editor", 300, 60);
    // The loader sets the state after the machine joined the studio.
    container->guiState = CMachineContainer::GUI_CUSTOM;
    ASSERT_TRUE(ProcessEventsUntil([&] { return Box(container)->shownState == CMachineContainer::GUI_CUSTOM; }));
    EXPECT_NE(EditorMachine(container)->editor, nullptr);
}

TEST_F(StudioViewTest, DoubleClickOpensTheBestEditorAndClosesIt)
{
    CMachineContainer* own = Add("ZT Own Editor", 300, 60);
    CMachineContainer* synth = Add("ZT ZezaRazad", 300, 300); // parameters, no editor of its own
    CMachineContainer* plain = Add("ZT Knobless", 600, 60);
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, TitlePoint(own));
    EXPECT_EQ(Box(own)->shownState, CMachineContainer::GUI_CUSTOM);
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, TitlePoint(synth));
    EXPECT_EQ(Box(synth)->shownState, CMachineContainer::GUI_DEFAULT);
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, TitlePoint(plain));
    EXPECT_EQ(Box(plain)->shownState, CMachineContainer::GUI_BOX);
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, TitlePoint(own));
    EXPECT_EQ(Box(own)->shownState, CMachineContainer::GUI_BOX);
    EXPECT_EQ(EditorMachine(own)->hides, 1);
    // The box did not move by the clicks.
    EXPECT_EQ(QPoint(own->GetX(), own->GetY()), QPoint(300, 60));
}
