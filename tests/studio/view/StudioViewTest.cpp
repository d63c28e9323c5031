// The studio view driven by real mouse events on a real studio: menus,
// cables, boxes, the cable slider, and what every edit marks and locks.
#include "StudioViewFixture.h"
#include "studio/CConnection.h"
#include "studio/view/CCableVolumeSlider.h"
#include "studio/view/CMachineRenameDialog.h"
#include "ui/CEditBox.h"
#include "ui/CScrollBar.h"
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>
#include <cmath>

namespace {

int32_t CableCount(CStudio& studio)
{
    int32_t count = 0;
    for (CMachineContainer* c = studio.GetFirst(); c; c = c->GetNext()) {
        for (int32_t i = 0; i < c->GetConnectorCount(); ++i)
            count += c->GetConnector(i)->GetConnectionCount();
    }
    return count;
}

// The port of the machine with this name.
int32_t PortNamed(CMachineContainer* container, const char* name)
{
    for (int32_t i = 0; i < container->GetConnectorCount(); ++i) {
        if (std::string(container->GetConnector(i)->GetPort()->name) == name)
            return i;
    }
    ADD_FAILURE() << container->GetName() << " has no port " << name;
    return 0;
}

} // namespace

TEST_F(StudioViewTest, MachineMenuListsTypesInHostOrderAndNamesByTheSmallestFreeNumber)
{
    // Scrolled, so that the clicked point differs in view and studio.
    view->GetScrollBar(false)->SetRange(0, 1000, 100);
    view->HorizontalScroll(40);
    const QPoint at(300, 200);
    Click(at, Qt::RightButton);
    QMenu* menu = OpenedMenu(view->GetMachineMenu());
    std::vector<std::string> expected;
    for (int32_t n = 0; n < fixture.host.GetMachineTypeCount(); ++n) {
        std::string name = fixture.host.GetMachineType(n)->name;
        if (name != "Master")
            expected.push_back(name);
    }
    EXPECT_EQ(Items(menu), expected);
    ASSERT_TRUE(Choose(view->GetMachineMenu(), "ZT Vorize"));

    CMachineContainer* first = studio().FindByName("ZT Vorize 1");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(QPoint(first->GetX(), first->GetY()), at + QPoint(40, 0));
    EXPECT_TRUE(studio().IsChanged());
    ASSERT_NE(Box(first), nullptr);

    Click(QPoint(500, 400), Qt::RightButton);
    ASSERT_TRUE(Choose(view->GetMachineMenu(), "ZT Vorize"));
    ASSERT_NE(studio().FindByName("ZT Vorize 2"), nullptr);

    ASSERT_TRUE(ChooseOnBox(first, "Delete Machine"));
    EXPECT_EQ(studio().FindByName("ZT Vorize 1"), nullptr);
    Click(QPoint(650, 450), Qt::RightButton);
    ASSERT_TRUE(Choose(view->GetMachineMenu(), "ZT Vorize"));
    EXPECT_NE(studio().FindByName("ZT Vorize 1"), nullptr);
    EXPECT_EQ(view->GetBoxCount(), studio().GetContainerCount());
}

TEST_F(StudioViewTest, BoxMenuIsInOrderAndGreysWhatCannotBeDone)
{
    CMachineContainer* master = studio().GetMaster();
    Click(TitlePoint(master), Qt::RightButton);
    std::vector<std::string> masterItems = Items(OpenedMenu(view->GetBoxMenu()));
    view->GetBoxMenu().Close();
    bool masterHasParameters = master->GetMachine()->parameterCount > 0;
    EXPECT_EQ(masterItems, (std::vector<std::string>{"(grey) Hide GUI",
                                                     std::string(masterHasParameters ? "" : "(grey) ") + "Show Default GUI",
                                                     "(grey) Show Custom GUI", "-", "(grey) Rename",
                                                     std::string(masterHasParameters ? "" : "(grey) ") + "Randomize",
                                                     "(grey) Delete Machine"}));
    // The master stays whatever is asked.
    view->DeleteMachine(Box(master));
    EXPECT_EQ(studio().GetMaster(), master);

    CMachineContainer* plain = Add("ZT Knobless", 300, 60);
    Click(TitlePoint(plain), Qt::RightButton);
    EXPECT_EQ(Items(OpenedMenu(view->GetBoxMenu())),
              (std::vector<std::string>{"(grey) Hide GUI", "(grey) Show Default GUI", "(grey) Show Custom GUI", "-",
                                        "Rename", "(grey) Randomize", "Delete Machine"}));
    view->GetBoxMenu().Close();

    // A core machine with parameters but no editor of its own (the echo),
    // and one with its own editor.
    CMachineContainer* echo = Add("ZT ZezaRazad", 300, 200);
    ASSERT_TRUE(ChooseOnBox(echo, "Show Default GUI"));
    Click(TitlePoint(echo), Qt::RightButton);
    EXPECT_EQ(Items(OpenedMenu(view->GetBoxMenu())),
              (std::vector<std::string>{"Hide GUI", "Show Default GUI", "(grey) Show Custom GUI", "-", "Rename",
                                        "Randomize", "Delete Machine"}));
    view->GetBoxMenu().Close();
    CMachineContainer* synth = Add("ZT DudeRivi", 600, 400);
    Click(TitlePoint(synth), Qt::RightButton);
    EXPECT_EQ(Items(OpenedMenu(view->GetBoxMenu())),
              (std::vector<std::string>{"(grey) Hide GUI", "Show Default GUI", "Show Custom GUI", "-", "Rename",
                                        "Randomize", "Delete Machine"}));
    view->GetBoxMenu().Close();
}

TEST_F(StudioViewTest, CablesAreDrawnByMouseOnlyWhereTheRulesAllow)
{
    CMachineContainer* master = studio().GetMaster();
    CMachineContainer* synth = Add("ZT DudeRivi", 300, 60);
    CMachineContainer* ramp = Add("ZT Ramp", 300, 260);   // mono audio out
    CMachineContainer* events = Add("ZT Events", 550, 260); // control in and out
    const int32_t synthOut = PortNamed(synth, "Line Out");
    const int32_t masterIn = 0;
    ASSERT_TRUE(master->GetConnector(masterIn)->GetPort()->IsAudio());

    // Audio out to control in, out to out, in to in, a machine to itself.
    Drag(ConnectorPoint(synth, synthOut), ConnectorPoint(events, PortNamed(events, "Control In")));
    Drag(ConnectorPoint(synth, synthOut), ConnectorPoint(ramp, 0));
    Drag(ConnectorPoint(events, PortNamed(events, "Control In")), ConnectorPoint(synth, PortNamed(synth, "Control In")));
    Drag(ConnectorPoint(events, PortNamed(events, "Control Out")), ConnectorPoint(events, PortNamed(events, "Control In")));
    EXPECT_EQ(CableCount(studio()), 0);
    EXPECT_FALSE(studio().IsChanged());
    // Dropped on nothing.
    Drag(ConnectorPoint(synth, synthOut), QPoint(700, 500));
    EXPECT_EQ(CableCount(studio()), 0);

    // An output to an input, twice; and from the input's end.
    Drag(ConnectorPoint(synth, synthOut), ConnectorPoint(master, masterIn));
    Drag(ConnectorPoint(master, masterIn), ConnectorPoint(synth, synthOut));
    EXPECT_EQ(master->GetConnector(masterIn)->GetConnectionCount(), 1);
    EXPECT_DOUBLE_EQ(master->GetConnector(masterIn)->GetConnection(0)->GetTargetVolume(), 1.0);
    EXPECT_TRUE(studio().IsChanged());
    // Mono into stereo.
    Drag(ConnectorPoint(ramp, 0), ConnectorPoint(master, masterIn));
    EXPECT_EQ(master->GetConnector(masterIn)->GetConnectionCount(), 2);
    EXPECT_EQ(view->GetCables().size(), 2u);
}

TEST_F(StudioViewTest, BoxesMoveByMouseButStayInThePositiveQuadrant)
{
    CMachineContainer* synth = Add("ZT DudeRivi", 200, 150);
    QPoint grab = TitlePoint(synth);
    Drag(grab, grab + QPoint(120, 40));
    EXPECT_EQ(QPoint(synth->GetX(), synth->GetY()), QPoint(320, 190));
    EXPECT_TRUE(studio().IsChanged());
    // Far beyond the top left corner.
    grab = TitlePoint(synth);
    Drag(grab, QPoint(-300, -200) + QPoint(1, 1));
    EXPECT_EQ(QPoint(synth->GetX(), synth->GetY()), QPoint(0, 0));
    EXPECT_EQ(Box(synth)->Position(), QPoint(0, 0));
    // Dragging the background scrolls, never below zero.
    Drag(QPoint(600, 500), QPoint(500, 450));
    EXPECT_EQ(view->GetScrollOffset(), QPoint(100, 50));
    Drag(QPoint(500, 450), QPoint(800, 600));
    EXPECT_EQ(view->GetScrollOffset(), QPoint(0, 0));
}

TEST_F(StudioViewTest, CableSliderShowsPowerDecibelsAndSetsTheTargetVolume)
{
    CMachineContainer* master = studio().GetMaster();
    CMachineContainer* synth = Add("ZT DudeRivi", 400, 300);
    CConnection* cable = studio().Connect(synth->GetConnector(PortNamed(synth, "Line Out")), master->GetConnector(0), 0.5);
    ASSERT_NE(cable, nullptr);
    ASSERT_EQ(view->GetCables().size(), 1u);
    QPoint head = view->ToView(CStudioView::ArrowHeadCentre(view->GetCables()[0]));

    Click(head);
    CCableVolumeSlider* slider = view->GetCableSlider();
    ASSERT_TRUE(slider->IsVisible());
    EXPECT_EQ(slider->GetConnection(), cable);
    EXPECT_NEAR(slider->GetDecibels(), -3.0103, 0.1);
    // Centred on the arrow head.
    EXPECT_LE(std::abs(slider->X() + slider->Width() / 2 - head.x()), 1);

    // The user moves it: the target follows, the current volume waits for
    // the render cycle.
    auto* native = slider->Window()->findChild<QSlider*>();
    ASSERT_NE(native, nullptr);
    QTest::keyClick(native, Qt::Key_Home);
    EXPECT_NEAR(cable->GetTargetVolume(), 1e-9, 1e-12);
    EXPECT_DOUBLE_EQ(cable->GetCurrentVolume(), 0.5);
    EXPECT_TRUE(studio().IsChanged());
    QTest::keyClick(native, Qt::Key_End);
    EXPECT_DOUBLE_EQ(cable->GetTargetVolume(), 1.0);

    // A silent cable sits at the bottom, a loud one at 0 dB.
    cable->SetTargetVolume(0.0);
    Click(QPoint(5, 600));
    EXPECT_FALSE(slider->IsVisible());
    Click(head);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 0.0);
    cable->SetTargetVolume(2.0);
    Click(head);
    EXPECT_DOUBLE_EQ(slider->GetValue(), 1.0);
    EXPECT_DOUBLE_EQ(cable->GetTargetVolume(), 2.0);
}

TEST_F(StudioViewTest, CableMenuDisconnectsAndDeletingAMachineTakesItsCables)
{
    CMachineContainer* master = studio().GetMaster();
    CMachineContainer* synth = Add("ZT DudeRivi", 300, 80);
    CMachineContainer* echo = Add("ZT ZezaRazad", 300, 300);
    CMachineContainer* other = Add("ZT DudeRivi", 700, 450);
    studio().Connect(synth->GetConnector(PortNamed(synth, "Line Out")), echo->GetConnector(PortNamed(echo, "Line In")), 1.0);
    studio().Connect(echo->GetConnector(PortNamed(echo, "Line Out")), master->GetConnector(0), 1.0);
    studio().Connect(other->GetConnector(PortNamed(other, "Line Out")), master->GetConnector(0), 1.0);
    ASSERT_EQ(CableCount(studio()), 3);

    // The cable menu on the last cable's arrow head.
    const CStudioView::Cable* last = nullptr;
    for (const CStudioView::Cable& c : view->GetCables()) {
        if (c.from->GetContainer() == other)
            last = &c;
    }
    ASSERT_NE(last, nullptr);
    Click(view->ToView(CStudioView::ArrowHeadCentre(*last)), Qt::RightButton);
    EXPECT_EQ(Items(OpenedMenu(view->GetCableMenu())), std::vector<std::string>{"Disconnect"});
    ASSERT_TRUE(Choose(view->GetCableMenu(), "Disconnect"));
    EXPECT_EQ(CableCount(studio()), 2);
    EXPECT_TRUE(studio().IsChanged());

    // The echo in the middle goes with both of its cables.
    ASSERT_TRUE(ChooseOnBox(echo, "Delete Machine"));
    EXPECT_EQ(studio().FindByName("ZT ZezaRazad 1"), nullptr);
    EXPECT_EQ(CableCount(studio()), 0);
    EXPECT_TRUE(view->GetCables().empty());
    EXPECT_EQ(view->GetBoxCount(), 3);
}

TEST_F(StudioViewTest, RenameDialogRenamesAndRefusesNamesThatWouldConfuseTheProject)
{
    CMachineContainer* synth = Add("ZT DudeRivi", 300, 80);
    ASSERT_TRUE(ChooseOnBox(synth, "Rename"));
    CMachineRenameDialog* dialog = view->GetRenameDialog();
    ASSERT_TRUE(dialog->IsVisible());
    EXPECT_EQ(dialog->Window()->windowTitle().toStdString(), "Rename Machine");
    auto* line = dialog->Field()->Window()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text().toStdString(), "ZT DudeRivi 1");
    line->selectAll();
    QTest::keyClicks(line, "Bass Line");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_STREQ(synth->GetName(), "Bass Line");
    EXPECT_STREQ(synth->GetMachine()->GetName(), "Bass Line");
    EXPECT_EQ(Box(synth)->GetName(), "Bass Line");
    EXPECT_TRUE(studio().IsChanged());

    for (const char* refused : {"", "Master"}) {
        ASSERT_TRUE(ChooseOnBox(synth, "Rename"));
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Delete);
        QTest::keyClicks(line, refused);
        QTest::keyClick(line, Qt::Key_Return);
        EXPECT_STREQ(synth->GetName(), "Bass Line") << "renamed to '" << refused << "'";
    }
    // A machine removed while its dialog is open is not renamed later.
    ASSERT_TRUE(ChooseOnBox(synth, "Rename"));
    view->DeleteMachine(Box(synth));
    EXPECT_FALSE(dialog->IsVisible());
}

TEST_F(StudioViewTest, NewProjectAndClearLeaveOneBoxPerMachine)
{
    CMachineContainer* editor = Add("ZT Own Editor", 300, 80);
    Add("ZT DudeRivi", 300, 300);
    view->ShowEditor(Box(editor), CMachineContainer::GUI_CUSTOM);
    view->VerticalScroll(30);
    studio().NewProject();
    QCoreApplication::processEvents();
    ASSERT_EQ(view->GetBoxCount(), 1);
    EXPECT_EQ(view->GetBox(0)->GetName(), "Master");
    EXPECT_EQ(view->GetBox(0)->Position(), QPoint(32, 32));
    EXPECT_EQ(view->GetScrollOffset(), QPoint(0, 0));
    studio().Clear();
    EXPECT_EQ(view->GetBoxCount(), 0);
    // The view still works on the next project.
    studio().NewProject();
    Click(QPoint(400, 300), Qt::RightButton);
    ASSERT_TRUE(Choose(view->GetMachineMenu(), "ZT DudeRivi"));
    EXPECT_EQ(view->GetBoxCount(), 2);
}

TEST_F(StudioViewTest, HoverNamesPortsAndTypesAndFarBoxesWidenTheScrollRange)
{
    CMachineContainer* echo = Add("ZT ZezaRazad", 300, 100);
    // A windowing system may deliver the moves a little later.
    auto tipAfterMove = [&](QPoint at, const std::string& expected) {
        QTest::mouseMove(widget(), at);
        ProcessEventsUntil([&] { return widget()->toolTip().toStdString() == expected; }, 2000);
        return widget()->toolTip().toStdString();
    };
    EXPECT_EQ(tipAfterMove(ConnectorPoint(echo, PortNamed(echo, "Line In")), "Line In"), "Line In");
    EXPECT_EQ(tipAfterMove(TitlePoint(echo), "ZT ZezaRazad"), "ZT ZezaRazad");
    EXPECT_EQ(tipAfterMove(QPoint(700, 500), ""), "");

    // Generators and effects are told apart by their colour.
    CMachineContainer* synth = Add("ZT DudeRivi", 300, 200);
    QImage shot = widget()->grab().toImage();
    QPoint synthBody = view->ToView(Box(synth)->Position() + QPoint(8, 18));
    QPoint echoBody = view->ToView(Box(echo)->Position() + QPoint(8, 18));
    EXPECT_NE(PixelAt(shot, synthBody.x(), synthBody.y()), PixelAt(shot, echoBody.x(), echoBody.y()));

    auto* horizontal = view->GetScrollBar(false)->Window()->findChild<QScrollBar*>();
    ASSERT_NE(horizontal, nullptr);
    int32_t before = horizontal->maximum();
    CMachineContainer* far = Add("ZT Vorize", 3000, 100);
    EXPECT_GE(horizontal->maximum(), before + 2000);
    // Scrolled there, the box is under the same view point as its studio
    // point minus the offset, and can be picked up there.
    horizontal->setValue(2000);
    EXPECT_EQ(view->GetScrollOffset().x(), 2000);
    QPoint grab = TitlePoint(far);
    EXPECT_EQ(grab.x(), 3000 + 30 - 2000);
    Drag(grab, grab + QPoint(10, 10));
    EXPECT_EQ(QPoint(far->GetX(), far->GetY()), QPoint(3010, 110));

    // The wheel scrolls back, sideways with Shift, and not past the boxes.
    QWheelEvent back(QPointF(400, 300), widget()->mapToGlobal(QPointF(400, 300)), QPoint(), QPoint(0, 120 * 5),
                     Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget(), &back);
    EXPECT_EQ(view->GetScrollOffset(), QPoint(2000 - 200, 0));
    QWheelEvent down(QPointF(400, 300), widget()->mapToGlobal(QPointF(400, 300)), QPoint(), QPoint(0, -120 * 100),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget(), &down);
    EXPECT_EQ(view->GetScrollOffset().y(), 0) << "every box is in sight vertically";
}
