// The utility machines' editors on real widgets, driven with mouse and
// keys: the MIDI device and channel lists, the arpeggiator's grid and
// fields, the ControlChange mapper's rows with learning and removal; and a
// screenshot of the arpeggiator against the reviewed reference.
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "machines/CArpeggiator.h"
#include "machines/CControlChangeMapper.h"
#include "machines/CMIDIDevices.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "machines/view/CArpeggiatorGUI.h"
#include "machines/view/CControlChangeMapperGUI.h"
#include "machines/view/CMIDIMachineGUI.h"
#include "machines/view/MachineEditorFactory.h"
#include "studio/CVelmHost.h"
#include "support/ReferenceImage.h"
#include "support/QtTestSupport.h"
#include "ui/CButton.h"
#include "ui/CComboBox.h"
#include "ui/CScrollBar.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include <QAbstractButton>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

CVelmHost& Host()
{
    static CVelmHost host(44100, 256, 0);
    return host;
}

template <typename T>
T* Native(CControl* control)
{
    T* widget = control->Window()->findChild<T*>();
    EXPECT_NE(widget, nullptr);
    return widget;
}

void Pick(CComboBox* combo, int downs)
{
    QComboBox* native = Native<QComboBox>(combo);
    native->setFocus();
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(native, Qt::Key_Down);
}

QPoint Cell(int row, int step)
{
    return QPoint(step * 8 + 3, row * 8 + 3);
}


// Compares a grabbed editor with its reviewed picture in
// tests/machines/reference (VELMORA_UPDATE_REFERENCE=1 writes it anew).
void ExpectLooksAsReviewed(const QImage& actual, const std::string& name)
{
    ExpectMatchesReference(actual, "machines/reference/" + name + ".png", 40);
}

QImage Grab(CControl& control)
{
    ProcessEventsUntil([] { return false; }, 200);
    return control.Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class MachineEditorsTest : public ::testing::Test {
protected:
    void SetUp() override { window = MakeHostWindow("Editors", 400, 240, &colors); }
    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

} // namespace

TEST_F(MachineEditorsTest, FactoryGivesEachMachineItsEditor)
{
    CMIDIDevices devices({"keys"}, {"synth"});
    CArpeggiator arpeggiator(&Host());
    CMIDIOutput output(&Host(), &devices);
    EXPECT_EQ(arpeggiator.CreateGUI(window.get()), nullptr) << "no editors before they are registered";
    RegisterMachineEditors();
    std::unique_ptr<CControl> editor(arpeggiator.CreateGUI(window.get()));
    EXPECT_NE(dynamic_cast<CArpeggiatorGUI*>(editor.get()), nullptr);
    editor.reset(output.CreateGUI(window.get()));
    ASSERT_NE(dynamic_cast<CMIDIOutputGUI*>(editor.get()), nullptr);
    EXPECT_EQ(editor->Width(), 240);
    int32_t top, left, right, bottom;
    ASSERT_TRUE(output.GetGUIRect(&top, &left, &right, &bottom));
    EXPECT_EQ(right - left, 240);
    EXPECT_EQ(bottom - top, 64);
}

TEST_F(MachineEditorsTest, MIDIListsShowAndChangeTheMachine)
{
    CMIDIDevices devices({"Port A", "Port B"}, {"Out A"});
    CMIDIInput input(&Host(), &devices);
    input.SetChannelFilter(4);
    CMIDIInputGUI gui(window.get(), &input);
    gui.Show(kShow);
    ASSERT_EQ(gui.DeviceCombo()->GetCount(), 2);
    EXPECT_EQ(gui.DeviceCombo()->GetString(1), "Port B");
    EXPECT_EQ(gui.DeviceCombo()->Window()->objectName(), QString("DeviceCombo"));
    ASSERT_EQ(gui.ChannelCombo()->GetCount(), 17);
    EXPECT_EQ(gui.ChannelCombo()->GetString(0), "All Channels");
    EXPECT_EQ(gui.ChannelCombo()->GetString(16), "Channel 16");
    EXPECT_EQ(gui.ChannelCombo()->GetCurSel(), 5) << "filter 4 is \"Channel 5\"";
    Pick(gui.ChannelCombo(), 2);
    EXPECT_EQ(input.GetChannelFilter(), 6);
    // A device that is not there: the message is shown, none is chosen.
    SetShowHandler([](const char*, const char*) {});
    Pick(gui.DeviceCombo(), 1);
    SetShowHandler(nullptr);
    EXPECT_EQ(input.GetDeviceIndex(), -1);
    EXPECT_EQ(gui.DeviceCombo()->GetCurSel(), -1);

    CMIDIOutput output(&Host(), &devices);
    output.SetChannel(9);
    CMIDIOutputGUI outGui(window.get(), &output);
    ASSERT_EQ(outGui.ChannelCombo()->GetCount(), 16);
    EXPECT_EQ(outGui.ChannelCombo()->GetCurSel(), 9);
    Pick(outGui.ChannelCombo(), 1);
    EXPECT_EQ(output.GetChannel(), 10);
}

TEST_F(MachineEditorsTest, ArpeggiatorGridTogglesAndDrags)
{
    CArpeggiator arpeggiator(&Host());
    CArpeggiatorGUI gui(window.get(), &arpeggiator);
    gui.Show(kShow);
    QWidget* grid = gui.Grid()->Window();
    EXPECT_EQ(gui.Grid()->X(), 32);
    EXPECT_EQ(gui.Grid()->Y(), 88);
    QTest::mouseClick(grid, Qt::LeftButton, {}, Cell(11, 0));
    EXPECT_TRUE(arpeggiator.GetCell(11, 0));
    QTest::mouseClick(grid, Qt::LeftButton, {}, Cell(11, 0));
    EXPECT_FALSE(arpeggiator.GetCell(11, 0));
    // A drag along row 3 sets every cell it passes to the first one's value.
    arpeggiator.SetCell(3, 2, true);
    QTest::mousePress(grid, Qt::LeftButton, {}, Cell(3, 1));
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(grid, Cell(3, step));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, Cell(3, 4));
    for (int step = 1; step <= 4; ++step)
        EXPECT_TRUE(arpeggiator.GetCell(3, step)) << step;
    EXPECT_FALSE(arpeggiator.GetCell(3, 5));

    QSpinBox* length = Native<QSpinBox>(gui.Length());
    length->setFocus();
    QTest::keyClick(length, Qt::Key_Down);
    EXPECT_EQ(arpeggiator.GetLength(), 31);
    QSpinBox* steps = Native<QSpinBox>(gui.StepsPerBeat());
    steps->setFocus();
    QTest::keyClick(steps, Qt::Key_Up);
    EXPECT_EQ(arpeggiator.GetStepsPerBeat(), 5);
}

TEST_F(MachineEditorsTest, MapperRowsLearnRemoveAndScroll)
{
    CControlChangeMapper mapper(&Host());
    mapper.AddMapping(7, 20);
    CControlChangeMapperGUI gui(window.get(), &mapper);
    gui.Show(kShow);
    ASSERT_EQ(gui.RowCount(), 1);
    EXPECT_EQ(gui.Row(0)->MapOut()->GetValue(), 20);
    QTest::mouseClick(Native<QAbstractButton>(gui.AddButton()), Qt::LeftButton);
    ASSERT_EQ(gui.RowCount(), 2);
    EXPECT_EQ(gui.Row(1)->Y(), 30);
    // The typed numbers reach the machine at once.
    QSpinBox* out = Native<QSpinBox>(gui.Row(1)->MapOut());
    out->setFocus();
    QTest::keyClick(out, Qt::Key_Up);
    EXPECT_EQ(mapper.GetMapping(1).out, 1);

    // Learning: the armed row takes the next control change's number.
    QTest::mouseClick(Native<QAbstractButton>(gui.Row(1)->TrainButton()), Qt::LeftButton);
    EXPECT_TRUE(mapper.GetMapping(1).training);
    MachineEvent event = MakeEvent(5, EVENT_CONTROL_CHANGE, 74, 0.5);
    mapper.ports[0]->controlBuffer->PushEvent(&event);
    mapper.Process();
    ASSERT_TRUE(ProcessEventsUntil([&] { return gui.Row(1)->MapIn()->GetValue() == 74; }));
    EXPECT_FALSE(gui.Row(1)->TrainButton()->IsChecked());

    // Removing the first row moves the second up, showing its mapping.
    QTest::mouseClick(Native<QAbstractButton>(gui.Row(0)->RemoveButton()), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return gui.RowCount() == 1; }));
    EXPECT_EQ(mapper.GetMappingCount(), 1);
    EXPECT_EQ(gui.Row(0)->Y(), 0);
    EXPECT_EQ(gui.Row(0)->MapIn()->GetValue(), 74);
    EXPECT_EQ(gui.Row(0)->MapOut()->GetValue(), 1);

    // Six rows are taller than the list: the scroll bar appears and moves them.
    EXPECT_FALSE(gui.ScrollBar()->IsVisible());
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(Native<QAbstractButton>(gui.AddButton()), Qt::LeftButton);
    ASSERT_EQ(gui.RowCount(), 6);
    EXPECT_TRUE(gui.ScrollBar()->IsVisible());
    gui.VerticalScroll(30);
    EXPECT_EQ(gui.Row(1)->Y(), 0);
}

TEST_F(MachineEditorsTest, ArpeggiatorLooksAsReviewed)
{
    CArpeggiator arpeggiator(&Host());
    arpeggiator.SetLength(24);
    for (int step = 0; step < 24; step += 3)
        arpeggiator.SetCell(11 - (step % 12), step, true);
    arpeggiator.SetCell(0, 1, true);
    CArpeggiatorGUI gui(window.get(), &arpeggiator);
    gui.Show(kShow);
    ProcessEventsUntil([] { return false; }, 200);
    QImage actual = gui.Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The grid's own colours, exactly.
    EXPECT_EQ(PixelAt(actual, 32 + 3, 88 + 88 + 3), Rgb(0xFF, 0xC6, 0x00)) << "row 11, step 0: on";
    EXPECT_EQ(PixelAt(actual, 32 + 8 + 3, 88 + 88 + 3), Rgb(0x81, 0x64, 0x00)) << "step 1: off, first half";
    EXPECT_EQ(PixelAt(actual, 32 + 40 + 3, 88 + 88 + 3), Rgb(0x91, 0x74, 0x00)) << "step 5: off, second half";
    EXPECT_EQ(PixelAt(actual, 32 + 8 + 7, 88 + 88 + 3), Rgb(0xA5, 0x80, 0x00)) << "the cell's edge";
    EXPECT_EQ(PixelAt(actual, 32 + 8 * 30 + 3, 88 + 3), Rgb(0x61, 0x44, 0x00)) << "beyond the length";
    ExpectLooksAsReviewed(actual, "arpeggiator");
}

TEST_F(MachineEditorsTest, MapperAndMIDIEditorsLookAsReviewed)
{
    CControlChangeMapper mapper(&Host());
    mapper.AddMapping(7, 20);
    mapper.AddMapping(74, 1);
    mapper.SetTraining(1, true);
    CControlChangeMapperGUI mapperGui(window.get(), &mapper);
    mapperGui.Show(kShow);
    ExpectLooksAsReviewed(Grab(mapperGui), "controlchange_mapper");

    CMIDIDevices devices({"keys:out"}, {"synth:in"});
    CMIDIInput input(&Host(), &devices);
    CMIDIInputGUI inputGui(window.get(), &input);
    inputGui.Show(kShow);
    ExpectLooksAsReviewed(Grab(inputGui), "midi_input");
}
