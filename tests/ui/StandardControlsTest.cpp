#include "support/QtTestSupport.h"
#include "ui/CButton.h"
#include "ui/CColorManager.h"
#include "ui/CComboBox.h"
#include "ui/CEditBox.h"
#include "ui/CFrame.h"
#include "ui/CIconButton.h"
#include "ui/CIconList.h"
#include "ui/CKnob.h"
#include "ui/CLabel.h"
#include "ui/CListBox.h"
#include "ui/CMenuButton.h"
#include "ui/CPeakMeter.h"
#include "ui/CPicture.h"
#include "ui/CScrollBar.h"
#include "ui/CSizeBar.h"
#include "ui/CSlider.h"
#include "ui/CTabControl.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include "ui/CWindow.h"
#include "ui/UserDialogs.h"
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDial>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// A parent that writes down every notification it gets.
class CListener : public CWindow {
public:
    CListener() : CWindow(nullptr, "Listener", 0, 0, 400, 300) {}
    void ButtonCommand(CControl* button) override { Note("Button", button); }
    void ComboSelectionChanged(CComboBox* combo) override { Note("Combo", combo, combo->GetCurSel()); }
    void ListSelectionChanged(CListBox* list) override { Note("List", list, list->GetCurSel()); }
    void ListDoubleClicked(CListBox* list) override { Note("ListDouble", list, list->GetCurSel()); }
    void EditTextChanged(CEditBox* edit) override { Note("Edit", edit); }
    void TabChanged(CTabControl* tabs) override { Note("Tab", tabs, tabs->GetCurrent()); }
    void IconListSelectionChanged(CIconList* list) override { Note("Icons", list, list->GetSelection()); }
    void UpDownChanged(CUpDown* upDown) override { Note("UpDown", upDown, upDown->GetValue()); }
    void HorizontalScroll(int32_t position) override { Note("HScroll", nullptr, position); }
    void VerticalScroll(int32_t position) override { Note("VScroll", nullptr, position); }
    void SizeBarMoved(int32_t offset) override { Note("SizeBar", nullptr, offset); }

    void Note(const char* what, CControl* from, int32_t value = 0)
    {
        notes.push_back(FormatText("%s %d", what, value));
        senders.push_back(from);
    }
    std::vector<std::string> notes;
    std::vector<CControl*> senders;
};

template <typename T>
T* Native(CControl& control)
{
    T* widget = control.Window()->findChild<T*>();
    EXPECT_NE(widget, nullptr);
    return widget;
}

class StandardControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        listener.SetColorManager(&colors);
        listener.Show(kShow);
    }
    CColorManager colors;
    CListener listener;
};

class CScriptedDialogs : public CUserDialogs {
public:
    bool OpenFile(CControl*, const std::string& title, const std::string& filter, std::string& path) override
    {
        asked.push_back("open " + title + " | " + filter + " | " + path);
        path = "/tmp/song.vmp";
        return true;
    }
    bool SaveFile(CControl*, const std::string& title, const std::string&, std::string&) override
    {
        asked.push_back("save " + title);
        return false;
    }
    bool BrowseFolder(CControl*, const std::string& title, std::string& path) override
    {
        asked.push_back("folder " + title);
        path = "/tmp";
        return true;
    }
    int32_t MessageBox(CControl*, const std::string& text, const std::string& caption, uint32_t style) override
    {
        asked.push_back(FormatText("box %s | %s | %x", caption.c_str(), text.c_str(), style));
        return kAnswerNo;
    }
    std::vector<std::string> asked;
};

} // namespace

TEST_F(StandardControlsTest, ButtonsReportTheirClicksToTheParent)
{
    CButton button(&listener, "OK", 0, 0, 60, 24, 7);
    CToolBarButton toggle(&listener, "Loop Pattern", 0, 30, 90, 24, true);
    CPicture icon;
    icon.Create(16, 16, true);
    CIconButton iconButton(&listener, icon, 0, 60, 20, 20);
    for (CControl* c : std::vector<CControl*>{&button, &toggle, &iconButton})
        c->Show(kShow);
    EXPECT_EQ(button.Window()->objectName(), QString("Button"));
    EXPECT_EQ(toggle.Window()->objectName(), QString("ToolBarButton"));
    EXPECT_EQ(iconButton.Window()->objectName(), QString("IconButton"));
    QTest::mouseClick(Native<QAbstractButton>(button), Qt::LeftButton);
    QTest::mouseClick(Native<QAbstractButton>(toggle), Qt::LeftButton);
    EXPECT_TRUE(toggle.IsChecked());
    QTest::mouseClick(Native<QAbstractButton>(iconButton), Qt::LeftButton);
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"Button 0", "Button 0", "Button 0"}));
    EXPECT_EQ(listener.senders, (std::vector<CControl*>{&button, &toggle, &iconButton}));
    toggle.SetChecked(false); // from code: not reported
    EXPECT_FALSE(toggle.IsChecked());
    EXPECT_EQ(listener.notes.size(), 3u);
    EXPECT_EQ(button.Id(), 7);
}

TEST_F(StandardControlsTest, MenuButtonStoresTheChosenCommand)
{
    CMenuButton menuButton(&listener, "Menu", 0, 0, 60, 20);
    menuButton.AddItem(11, "Rename...");
    menuButton.AddSeparator();
    menuButton.AddItem(12, "Delete");
    QList<QAction*> actions = Native<QToolButton>(menuButton)->menu()->actions();
    ASSERT_EQ(actions.size(), 3);
    actions[2]->trigger();
    EXPECT_EQ(menuButton.Command(), 12);
    EXPECT_EQ(listener.notes, std::vector<std::string>{"Button 0"});
    EXPECT_EQ(listener.senders[0], &menuButton);
}

TEST_F(StandardControlsTest, ComboBoxKeepsItsItemsAndReportsTheUsersChoice)
{
    CComboBox combo(&listener, 0, 0, 120, 24);
    combo.Show(kShow);
    EXPECT_EQ(combo.Window()->objectName(), QString("ComboContainer"));
    QComboBox* native = Native<QComboBox>(combo);
    EXPECT_EQ(native->objectName(), QString("ComboBox"));
    EXPECT_EQ(combo.GetCurSel(), -1);
    EXPECT_EQ(combo.AddString("Pattern 1"), 0);
    EXPECT_EQ(combo.AddString("Pattern 2"), 1);
    EXPECT_EQ(combo.AddString("Pattern 3"), 2);
    combo.SetCurSel(1);
    EXPECT_TRUE(listener.notes.empty()); // setting from code is silent
    combo.DeleteString(0);
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetString(0), "Pattern 2");
    // The user picks the last entry.
    native->setFocus();
    QTest::keyClick(native, Qt::Key_Down);
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(listener.notes, std::vector<std::string>{"Combo 1"});
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetCurSel(), -1);
}

TEST_F(StandardControlsTest, EditBoxUsesTheEditColoursAndReportsTyping)
{
    colors.SetColor(32, MakeColor(1, 2, 3));
    colors.SetColor(33, MakeColor(250, 251, 252));
    CEditBox edit(&listener, 0, 0, 120, 22);
    edit.Show(kShow);
    EXPECT_EQ(edit.Window()->objectName(), QString("EditContainer"));
    QLineEdit* line = Native<QLineEdit>(edit);
    EXPECT_EQ(line->objectName(), QString("EditBox"));
    EXPECT_EQ(line->palette().color(QPalette::Base), QColor(1, 2, 3));
    EXPECT_EQ(line->palette().color(QPalette::Text), QColor(250, 251, 252));
    edit.SetText("Bass");
    EXPECT_TRUE(listener.notes.empty());
    line->setFocus();
    line->end(false);
    QTest::keyClicks(line, "line");
    EXPECT_EQ(edit.GetText(), "Bassline");
    EXPECT_EQ(listener.notes.size(), 4u);
    CEditBox text(&listener, 0, 30, 120, 60, true);
    text.SetText("line one\nline two");
    EXPECT_EQ(text.GetText(), "line one\nline two");
}

TEST_F(StandardControlsTest, UpDownStepsAndReportsTheUsersChanges)
{
    CUpDown upDown(&listener, 0, 0, 52, 22, 1, 1200, 140);
    upDown.Show(kShow);
    EXPECT_EQ(upDown.Window()->objectName(), QString("UpDown"));
    QSpinBox* spin = Native<QSpinBox>(upDown);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(upDown.GetValue(), 141);
    EXPECT_EQ(listener.notes, std::vector<std::string>{"UpDown 141"});
    upDown.SetValue(5000); // clamped, silent
    EXPECT_EQ(upDown.GetValue(), 1200);
    EXPECT_EQ(listener.notes.size(), 1u);
}

TEST_F(StandardControlsTest, ScrollBarsReportToTheirDirectionsSlot)
{
    CScrollBar horizontal(&listener, 0, 0, 100, 16, false);
    CScrollBar vertical(&listener, 0, 20, 16, 100, true);
    horizontal.SetRange(0, 50, 10);
    vertical.SetRange(0, 50, 10);
    horizontal.SetPosition(20);
    EXPECT_TRUE(listener.notes.empty());
    Native<QScrollBar>(horizontal)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Native<QScrollBar>(vertical)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"HScroll 21", "VScroll 10"}));
    EXPECT_EQ(horizontal.GetPosition(), 21);
}

TEST_F(StandardControlsTest, ListBoxKeepsItemDataAndRefusesBadIndices)
{
    CListBox list(&listener, 0, 0, 120, 100);
    list.Show(kShow);
    EXPECT_EQ(list.Window()->objectName(), QString("ListContainer"));
    EXPECT_EQ(list.AddItem("Piano", 100), 0);
    EXPECT_EQ(list.AddItem("Strings", 200), 1);
    EXPECT_EQ(list.AddItem("Drums", 300), 2);
    EXPECT_EQ(list.GetItemData(1), 200);
    list.SetItemData(1, 250);
    list.DeleteItem(0);
    EXPECT_EQ(list.GetItemData(0), 250);
    EXPECT_EQ(list.GetText(1), "Drums");
    EXPECT_EQ(RaisedText([&] { list.GetItemData(2); }), "GetItemData: Invalid Index");
    EXPECT_EQ(RaisedText([&] { list.GetItemData(-1); }), "GetItemData: Invalid Index");
    EXPECT_EQ(RaisedText([&] { list.SetItemData(5, 0); }), "SetItemData: Invalid Index");
    QListWidget* native = Native<QListWidget>(list);
    QRect second = native->visualItemRect(native->item(1));
    QTest::mouseClick(native->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QTest::mouseDClick(native->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"List 1", "ListDouble 1"}));
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(RaisedText([&] { list.GetItemData(0); }), "GetItemData: Invalid Index");
}

TEST_F(StandardControlsTest, TabsShowOneViewAndHideTheOthers)
{
    CTabControl tabs(&listener, 0, 0, 300, 200);
    tabs.Show(kShow);
    CControl first(&tabs, "First", 0, 0, 10, 10);
    CControl second(&tabs, "Second", 0, 0, 10, 10);
    EXPECT_EQ(tabs.AddTab("Pattern Editor", &first), 0);
    EXPECT_EQ(tabs.AddTab("Studio", &second), 1);
    EXPECT_TRUE(first.IsVisible());
    EXPECT_FALSE(second.IsVisible());
    // Views fill the area under the tabs.
    EXPECT_EQ(first.Y(), tabs.TabHeight());
    EXPECT_EQ(first.Width(), 300);
    EXPECT_EQ(first.Height(), 200 - tabs.TabHeight());
    Native<QTabBar>(tabs)->setCurrentIndex(1); // as a click on the tab does
    EXPECT_FALSE(first.IsVisible());
    EXPECT_TRUE(second.IsVisible());
    EXPECT_EQ(listener.notes, std::vector<std::string>{"Tab 1"});
    tabs.SetCurrent(0);
    EXPECT_TRUE(first.IsVisible());
    EXPECT_EQ(listener.notes.size(), 1u);
    tabs.Move(0, 0, 400, 250);
    EXPECT_EQ(second.Width(), 400);
}

TEST_F(StandardControlsTest, SizeBarReportsTheMovementSinceThePress)
{
    CSizeBar bar(&listener, 100, 0, 4, 200, true);
    bar.Show(kShow);
    EXPECT_EQ(bar.Window()->cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(bar.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 50));
    QTest::mouseMove(bar.Window(), QPoint(12, 50));
    // The parent moves the bar; later positions stay relative to the press.
    bar.Move(110, 0, 4, 200);
    QTest::mouseMove(bar.Window(), QPoint(-3, 50));
    QTest::mouseRelease(bar.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(-3, 50));
    QTest::mouseMove(bar.Window(), QPoint(1, 50)); // released: no report
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"SizeBar 10", "SizeBar 5"}));
    EXPECT_FALSE(bar.HasCapture());
}

TEST_F(StandardControlsTest, SlidersAndKnobsMapTheirRangeOntoZeroToOne)
{
    struct CVolume : CSlider {
        using CSlider::CSlider;
        void ValueChanged(double value) override { seen.push_back(value); }
        std::vector<double> seen;
    } slider(&listener, 0, 0, 120, 26);
    CKnob knob(&listener, 0, 30, 40, 40);
    EXPECT_EQ(slider.Window()->objectName(), QString("Slider"));
    EXPECT_EQ(knob.Window()->objectName(), QString("Knob"));
    slider.SetValue(0.85);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.85);
    EXPECT_TRUE(slider.seen.empty());
    Native<QSlider>(slider)->triggerAction(QAbstractSlider::SliderToMaximum);
    ASSERT_EQ(slider.seen.size(), 1u);
    EXPECT_DOUBLE_EQ(slider.seen[0], 1.0);
    knob.SetValue(2.0);
    EXPECT_DOUBLE_EQ(knob.GetValue(), 1.0);
    EXPECT_EQ(Native<QDial>(knob)->value(), CKnob::kSteps);
}

TEST_F(StandardControlsTest, IconListReportsTheUsersChoice)
{
    CIconList icons(&listener, 0, 0, 80, 200);
    CPicture icon;
    icon.Create(32, 32, false);
    EXPECT_EQ(icons.AddIcon(icon, "Audio"), 0);
    EXPECT_EQ(icons.AddIcon(icon, "VST"), 1);
    icons.SetSelection(0);
    EXPECT_TRUE(listener.notes.empty());
    Native<QListWidget>(icons)->setCurrentRow(1);
    EXPECT_EQ(listener.notes, std::vector<std::string>{"Icons 1"});
}

TEST_F(StandardControlsTest, ToolBarLaysOutItsItemsAndPassesTheirNotificationsOn)
{
    CToolBar bar(&listener, 0, 0, 400, 30);
    bar.Show(kShow);
    CToolBarButton* play = bar.AddButton("Play Pattern", 80, false, 1, "Play");
    CLabel* label = bar.AddLabel("BPM:", 40);
    CUpDown* bpm = bar.AddUpDown(52, 1, 1200, 140, "Beats Per Minute");
    EXPECT_EQ(play->X(), CToolBar::kMargin);
    EXPECT_EQ(label->X(), CToolBar::kMargin + 80 + CToolBar::kMargin);
    EXPECT_EQ(bpm->X(), label->X() + 40 + CToolBar::kMargin);
    EXPECT_EQ(bpm->Height(), 30 - 2 * CToolBar::kMargin);
    EXPECT_EQ(bpm->Window()->findChild<QSpinBox*>()->toolTip(), QString("Beats Per Minute"));
    QTest::mouseClick(Native<QAbstractButton>(*play), Qt::LeftButton);
    Native<QSpinBox>(*bpm)->stepUp();
    EXPECT_EQ(listener.notes, (std::vector<std::string>{"Button 0", "UpDown 141"}));
    EXPECT_EQ(listener.senders[0], play);
}

TEST_F(StandardControlsTest, LabelAndFrameDrawInTheManagersColours)
{
    colors.SetColor(2, MakeColor(0, 0, 0));
    colors.SetColor(4, MakeColor(255, 255, 255));
    CLabel label(&listener, "Hello", 0, 0, 80, 20);
    QImage shown = label.Window()->grab().toImage();
    EXPECT_EQ(PixelAt(shown, 79, 0), Rgb(0, 0, 0));
    int light = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            light += qGray(shown.pixel(x, y)) > 128;
    EXPECT_GT(light, 20); // the text is there, in colour 4
    CFrame frame(&listener, 0, 30, 50, 30, 2);
    colors.SetColor(7, MakeColor(9, 9, 9));
    EXPECT_EQ(PixelAt(frame.Window()->grab().toImage(), 10, 0), Rgb(9, 9, 9)); // sunken: top in 7
}

TEST_F(StandardControlsTest, PeakMeterLightsSegmentsByLevelAndHeldPeak)
{
    // 99 pixels: 31 segments, the leftmost covering (-81, -78].
    EXPECT_EQ(CPeakMeter::SegmentCount(99), 31);
    EXPECT_DOUBLE_EQ(CPeakMeter::SegmentFloor(31, 1), -81.0);
    EXPECT_DOUBLE_EQ(CPeakMeter::SegmentFloor(31, 31), 9.0); // the right end stands for +12
    const double silent = -std::numeric_limits<double>::infinity();
    EXPECT_FALSE(CPeakMeter::IsLit(-81, silent, silent));
    EXPECT_TRUE(CPeakMeter::IsLit(-81, -80.0, silent));
    EXPECT_TRUE(CPeakMeter::IsLit(-6, silent, -4.5));
    EXPECT_FALSE(CPeakMeter::IsLit(-9, silent, -4.5)); // only the peak's own segment

    CPeakMeter meter(&listener, 0, 0, 99, 18);
    meter.SetLevel(0, -40.0, 0.5);
    meter.SetLevel(1, silent, silent);
    meter.Redraw();
    QImage shown = meter.Window()->grab().toImage();
    // Upper bar: segment 1 (x 2..4) lit in the low colour, middle column full.
    EXPECT_EQ(PixelAt(shown, 3, 4), Rgb(0, 240, 0));
    EXPECT_EQ(PixelAt(shown, 2, 4), Rgb(0, 255, 0)); // edge a quarter brighter (clamped)
    // Segment of the peak 0.5 (i = 28, x 83..85) lit in the top colour.
    EXPECT_EQ(PixelAt(shown, 84, 4), Rgb(240, 0, 0));
    // Lower bar silent: dimmed low colour v / 8 + 63.
    EXPECT_EQ(PixelAt(shown, 3, 12), Rgb(63, 93, 63));
    // Unlit middle segment (i = 24, x 71..73) in the dimmed middle colour.
    EXPECT_EQ(PixelAt(shown, 72, 4), Rgb(93, 93, 63));
}

TEST(UserDialogsTest, TestsAnswerDialogsThroughTheInterface)
{
    CScriptedDialogs scripted;
    CUserDialogs* previous = SetUserDialogs(&scripted);
    std::string path = "/home";
    EXPECT_TRUE(UserDialogs().OpenFile(nullptr, "Open Project", "Projects (*.vmp)", path));
    EXPECT_EQ(path, "/tmp/song.vmp");
    EXPECT_FALSE(UserDialogs().SaveFile(nullptr, "Save Project", "Projects (*.vmp)", path));
    InstallErrorBox();
    Show("Can't Open <%s>", "x.vmp");
    SetShowHandler(nullptr);
    EXPECT_EQ(scripted.asked, (std::vector<std::string>{"open Open Project | Projects (*.vmp) | /home", "save Save Project",
                                                        "box Velmora | Can't Open <x.vmp> | 10"}));
    EXPECT_EQ(SetUserDialogs(previous), &scripted);
}

TEST(UserDialogsTest, QtMessageBoxShowsCaptionTextAndAnswers)
{
    // The real box, answered by a helper once it is up.
    std::string seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = (box->windowTitle() + " | " + box->text()).toStdString();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(UserDialogs().MessageBox(nullptr, "Save Changes?", "Velmora", kMessageBoxYesNoCancel | kMessageBoxIconQuestion),
              kAnswerNo);
    EXPECT_EQ(seen, "Velmora | Save Changes?");
}
