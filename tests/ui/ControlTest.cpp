#include "support/QtTestSupport.h"
#include "ui/CColorManager.h"
#include "ui/CControl.h"
#include "ui/CDialog.h"
#include "ui/CDrawContext.h"
#include "ui/CPicture.h"
#include "ui/CWindow.h"
#include "ui/WindowClass.h"
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records what reaches its operations.
class CProbe : public CControl {
public:
    CProbe(CControl* parent, const char* name, int32_t x, int32_t y, int32_t w, int32_t h, bool buffered = false)
        : CControl(parent, name, x, y, w, h, buffered)
    {
    }
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override { Log("LeftDown", x, y, keys); }
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override { Log("LeftUp", x, y, keys); }
    void RightButtonDown(int32_t x, int32_t y, uint32_t keys) override { Log("RightDown", x, y, keys); }
    void RightButtonUp(int32_t x, int32_t y, uint32_t keys) override { Log("RightUp", x, y, keys); }
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override { Log("Double", x, y, keys); }
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override
    {
        if (logMoves)
            Log("Move", x, y, keys);
    }
    void CaptureLost() override { events.push_back("CaptureLost"); }
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override
    {
        events.push_back(FormatText("App %x %lu %ld", message, static_cast<unsigned long>(p1), static_cast<long>(p2)));
    }
    void Resized(int32_t w, int32_t h) override
    {
        events.push_back(FormatText("Resized %d %d", w, h));
        CControl::Resized(w, h);
    }
    void Render(CDrawContext& dc) override
    {
        ++renders;
        dc.FillRectColor(0, 0, Width(), Height(), fill);
    }
    void DialogConfirmed(CDialog*) override { events.push_back("Confirmed"); }
    void DialogCancelled(CDialog*) override { events.push_back("Cancelled"); }

    void Log(const char* what, int32_t x, int32_t y, uint32_t keys)
    {
        events.push_back(FormatText("%s %d %d %u", what, x, y, keys));
    }

    std::vector<std::string> events;
    std::atomic<int> renders{0};
    ColorRef fill = MakeColor(200, 10, 10);
    bool logMoves = false;
};

class CClosingWindow : public CWindow {
public:
    using CWindow::CWindow;
    void Close() override
    {
        ++closes;
        CWindow::Close();
    }
    int closes = 0;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { host = MakeHostWindow("Host", 320, 240, &colors); }

    QImage Grab(CControl& control) { return control.Window()->grab().toImage(); }

    CColorManager colors;
    std::unique_ptr<CWindow> host;
};

} // namespace

TEST_F(ControlTest, ControlsShareOneWindowClassMadeOnce)
{
    CProbe a(host.get(), "PatternEditor", 0, 0, 10, 10);
    int32_t registered = RegisteredWindowClassCount();
    CProbe b(host.get(), "NoteView", 0, 0, 10, 10);
    EXPECT_EQ(RegisteredWindowClassCount(), registered);
    QString name = a.Window()->property("windowClass").toString();
    EXPECT_TRUE(QRegularExpression("^ZTControl_0x[0-9a-f]+$").match(name).hasMatch()) << name.toStdString();
    EXPECT_EQ(b.Window()->property("windowClass").toString(), name);
    EXPECT_EQ(QString::fromStdString(ControlWindowClass().name), name);
    EXPECT_EQ(ControlWindowClass().styles,
              uint32_t(kClassOwnDeviceContext | kClassDoubleClicks | kClassHorizontalRedraw | kClassVerticalRedraw | kClassGlobal));
    EXPECT_EQ(host->Window()->property("windowClass").toString(), QString("VelmoraWindow"));
    EXPECT_EQ(a.Window()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ControlTest, ChildWindowIsMadeHiddenAndTitledWithTheClassName)
{
    CProbe probe(host.get(), "PatternEditor", 5, 6, 70, 40);
    EXPECT_FALSE(probe.Window()->isVisible());
    EXPECT_EQ(probe.Window()->windowTitle(), QString("PatternEditor"));
    EXPECT_EQ(probe.Window()->parentWidget(), host->Window());
    EXPECT_EQ(probe.Window()->geometry(), QRect(5, 6, 70, 40));
    probe.Show(kShow);
    EXPECT_TRUE(probe.Window()->isVisible());
    EXPECT_TRUE(probe.IsCreated());
}

TEST_F(ControlTest, AParentWithoutWindowIsRefused)
{
    EXPECT_EQ(RaisedText([] { CControl orphan(static_cast<QWidget*>(nullptr), "Orphan", 0, 0, 5, 5); }),
              "MakeWindow: IsWindow == False");
    // A control whose native window went with its parent's cannot parent others.
    auto outer = std::make_unique<CProbe>(host.get(), "Outer", 0, 0, 50, 50);
    CProbe inner(outer.get(), "Inner", 0, 0, 10, 10);
    delete outer->Window();
    EXPECT_EQ(inner.Window(), nullptr); // told that its window went with the parent's
    EXPECT_EQ(RaisedText([&] { CProbe child(outer.get(), "Child", 0, 0, 5, 5); }), "MakeWindow: IsWindow == False");
}

TEST_F(ControlTest, ChildrenTakeColoursFontAndPictureFromTheirParent)
{
    CPicture picture;
    picture.Create(4, 4, false);
    host->SetBackgroundPicture(&picture);
    CProbe child(host.get(), "Child", 0, 0, 10, 10);
    EXPECT_EQ(child.Colors(), &colors);
    EXPECT_EQ(child.Font(), host->Font());
    EXPECT_EQ(child.BackgroundPicture(), &picture);
    EXPECT_EQ(child.BackgroundColor(), 2);
    // A window without a parent control makes its own "Verdana" 9 font.
    EXPECT_EQ(host->Font()->family(), QString("Verdana"));
    EXPECT_EQ(host->Font()->pixelSize(), 12);
    host->SetBackgroundPicture(nullptr);
}

TEST_F(ControlTest, ApplicationMessagesReachTheirOperationFromAnyThread)
{
    CProbe probe(host.get(), "Probe", 0, 0, 10, 10);
    EXPECT_EQ(probe.SendMessage(0x8000, 1, 2), 0);
    EXPECT_EQ(probe.SendMessage(0xBFFF, 3, -4), 0);
    probe.SendMessage(0x7FFF, 5, 6); // below the range
    probe.SendMessage(0xC000, 7, 8); // above it
    std::thread poster([&] { probe.PostMessage(0x8123, 9, 10); });
    poster.join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return probe.events.size() == 3; }));
    EXPECT_EQ(probe.events, (std::vector<std::string>{"App 8000 1 2", "App bfff 3 -4", "App 8123 9 10"}));
}

TEST_F(ControlTest, BufferedControlPaintsFromItsBufferAndResizesIt)
{
    CProbe probe(host.get(), "Buffered", 10, 10, 40, 30, true);
    probe.Show(kShow);
    ASSERT_NE(probe.Buffer(), nullptr);
    EXPECT_EQ(probe.Buffer()->size(), QSize(40, 30));
    // Built with the base rendering (colour 2) before the subclass existed.
    EXPECT_EQ(PixelAt(*probe.Buffer(), 5, 5), Rgb(32, 32, 32));
    probe.Redraw();
    EXPECT_EQ(probe.renders, 1);
    QImage shown = Grab(probe);
    EXPECT_EQ(PixelAt(shown, 0, 0), Rgb(200, 10, 10));
    EXPECT_EQ(PixelAt(shown, 39, 29), Rgb(200, 10, 10));

    probe.fill = MakeColor(10, 10, 200);
    probe.Move(10, 10, 64, 48);
    EXPECT_EQ(probe.events.back(), "Resized 64 48");
    EXPECT_EQ(probe.Width(), 64);
    EXPECT_EQ(probe.Buffer()->size(), QSize(64, 48));
    EXPECT_EQ(probe.renders, 2); // a created control redraws on resize
    shown = Grab(probe);
    EXPECT_EQ(shown.size(), QSize(64, 48));
    EXPECT_EQ(PixelAt(shown, 63, 47), Rgb(10, 10, 200));
    // A size the window system sets (here Qt itself) arrives the same way.
    probe.Window()->resize(30, 20);
    EXPECT_EQ(probe.events.back(), "Resized 30 20");
    EXPECT_EQ(probe.Buffer()->size(), QSize(30, 20));
}

TEST_F(ControlTest, UnbufferedControlFillsWithItsBackgroundColour)
{
    CControl plain(host.get(), "Plain", 0, 0, 20, 20);
    plain.Show(kShow);
    EXPECT_EQ(plain.Buffer(), nullptr);
    EXPECT_EQ(PixelAt(Grab(plain), 10, 10), Rgb(32, 32, 32));
    plain.SetBackgroundColor(27);
    EXPECT_EQ(PixelAt(Grab(plain), 10, 10), Rgb(204, 150, 0));
    // Without a colour manager: black.
    QWidget bare;
    CControl loose(&bare, "Loose", 0, 0, 20, 20);
    EXPECT_EQ(loose.Colors(), nullptr);
    EXPECT_EQ(PixelAt(Grab(loose), 10, 10), Rgb(0, 0, 0));
}

TEST_F(ControlTest, FrameStylesDrawTheirOutlines)
{
    colors.SetColor(6, MakeColor(250, 0, 0));
    colors.SetColor(7, MakeColor(0, 0, 250));
    CControl frame(host.get(), "Frame", 0, 0, 20, 10);
    frame.SetBackgroundColor(1);
    // Without the frame flag nothing is drawn around.
    EXPECT_EQ(PixelAt(Grab(frame), 0, 0), Rgb(255, 255, 255));
    const struct {
        int32_t style;
        QRgb topLeft, bottomRight;
    } cases[] = {{0, Rgb(0, 0, 250), Rgb(0, 0, 250)}, {1, Rgb(250, 0, 0), Rgb(0, 0, 250)}, {2, Rgb(0, 0, 250), Rgb(250, 0, 0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        frame.SetFrame(true, c.style);
        QImage shown = Grab(frame);
        EXPECT_EQ(PixelAt(shown, 5, 0), c.topLeft);     // top
        EXPECT_EQ(PixelAt(shown, 0, 5), c.topLeft);     // left
        EXPECT_EQ(PixelAt(shown, 5, 9), c.bottomRight); // bottom
        EXPECT_EQ(PixelAt(shown, 19, 5), c.bottomRight);
        EXPECT_EQ(PixelAt(shown, 5, 5), Rgb(255, 255, 255)); // inside untouched
    }
}

TEST_F(ControlTest, BackgroundPictureIsAlignedToTheControlsPosition)
{
    CPicture picture;
    picture.Create(8, 8, false);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            picture.FillRect(x, y, 1, 1, MakeColor(uint8_t(x * 30), uint8_t(y * 30), 7));
    host->SetBackgroundPicture(&picture);
    CControl child(host.get(), "Child", 5, 3, 12, 12, true);
    host->SetBackgroundPicture(nullptr);
    QImage shown = Grab(child);
    EXPECT_EQ(PixelAt(shown, 0, 0), Rgb(150, 90, 7));  // picture (5, 3)
    EXPECT_EQ(PixelAt(shown, 3, 5), Rgb(0, 0, 7));     // picture (8 mod 8, 8 mod 8): tiled
    EXPECT_EQ(PixelAt(shown, 4, 6), Rgb(30, 30, 7));
}

TEST_F(ControlTest, MouseEventsReachTheirOperationsWithPositionAndKeys)
{
    CProbe probe(host.get(), "Mouse", 20, 20, 100, 80);
    probe.Show(kShow);
    probe.logMoves = true;
    QWidget* w = probe.Window();
    QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 12));
    QTest::mouseMove(w, QPoint(15, 17));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(15, 17));
    QTest::mousePress(w, Qt::RightButton, Qt::ControlModifier, QPoint(3, 4));
    QTest::mouseRelease(w, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(7, 8));
    std::vector<std::string> expected = {"LeftDown 10 12 5", "Move 15 17 1",  "LeftUp 15 17 0",
                                         "RightDown 3 4 10", "RightUp 3 4 0", "Double 7 8 1"};
    std::vector<std::string> got;
    for (const std::string& e : probe.events) {
        if (e.rfind("Move", 0) != 0 || e == "Move 15 17 1")
            got.push_back(e);
    }
    EXPECT_EQ(got, expected);
}

TEST_F(ControlTest, ALeftPressGivesTheControlTheFocus)
{
    host->Window()->activateWindow();
    CProbe probe(host.get(), "Focus", 0, 0, 30, 30);
    probe.Show(kShow);
    ASSERT_TRUE(ProcessEventsUntil([&] { return host->Window()->isActiveWindow(); }));
    EXPECT_FALSE(probe.Window()->hasFocus());
    QTest::mouseClick(probe.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(probe.Window()->hasFocus());
}

TEST_F(ControlTest, TakingTheCaptureTellsThePreviousHolder)
{
    CProbe a(host.get(), "A", 0, 0, 10, 10);
    CProbe b(host.get(), "B", 0, 0, 10, 10);
    a.Show(kShow);
    b.Show(kShow);
    a.SetCapture();
    EXPECT_TRUE(a.HasCapture());
    b.SetCapture();
    EXPECT_FALSE(a.HasCapture());
    EXPECT_EQ(a.events, std::vector<std::string>{"CaptureLost"});
    a.ReleaseCapture(); // not a's any more: nothing happens
    EXPECT_TRUE(b.HasCapture());
    b.ReleaseCapture();
    EXPECT_FALSE(b.HasCapture());
    EXPECT_EQ(b.events, std::vector<std::string>{"CaptureLost"});
}

TEST_F(ControlTest, ClosingATopLevelWindowCallsItsCloseOperation)
{
    CClosingWindow window(host.get(), "Closing", 10, 10, 100, 60);
    window.Show(kShow);
    EXPECT_TRUE(window.Window()->isWindow());
    EXPECT_EQ(window.Window()->windowTitle(), QString("Closing"));
    // Owned by its parent's window (kept above it), yet not disabled with it.
    ASSERT_NE(window.Window()->windowHandle(), nullptr);
    EXPECT_EQ(window.Window()->windowHandle()->transientParent(), host->Window()->windowHandle());
    window.Window()->close();
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(window.Window()->isVisible()); // the base hides it
    EXPECT_NE(window.Window(), nullptr);        // but does not destroy it
}

TEST_F(ControlTest, DialogIsCentredAndDisablesItsOwnerWhileShown)
{
    CProbe owner(host.get(), "Owner", 0, 0, 50, 50);
    owner.Show(kShow);
    CDialog dialog(&owner, "Rename", 200, 100);
    QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(dialog.X(), desktop.left() + (desktop.width() - 200) / 2);
    EXPECT_EQ(dialog.Y(), desktop.top() + (desktop.height() - 100) / 2);
    EXPECT_EQ(dialog.Window()->geometry(), QRect(dialog.X(), dialog.Y(), 200, 100));
    EXPECT_TRUE(dialog.Window()->windowFlags() & Qt::WindowTitleHint);
    EXPECT_TRUE(dialog.Window()->windowFlags() & Qt::WindowMinimizeButtonHint);
    ASSERT_NE(dialog.Window()->windowHandle(), nullptr);
    EXPECT_EQ(dialog.Window()->windowHandle()->transientParent(), host->Window()->windowHandle());
    dialog.Show(kShow);
    EXPECT_FALSE(owner.Window()->isEnabled());
    EXPECT_TRUE(dialog.Window()->isEnabled());
    dialog.Confirm();
    EXPECT_TRUE(owner.Window()->isEnabled());
    EXPECT_FALSE(dialog.Window()->isVisible());
    dialog.Show(kShow);
    dialog.Window()->close(); // the frame's close box cancels
    EXPECT_TRUE(owner.Window()->isEnabled());
    EXPECT_EQ(owner.events, (std::vector<std::string>{"Confirmed", "Cancelled"}));

    CDialog bare(&owner, nullptr, 120, 80);
    EXPECT_TRUE(bare.Window()->windowFlags() & Qt::FramelessWindowHint);
}
