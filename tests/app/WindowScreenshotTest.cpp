// The main window on the demo song and the about box, compared with
// reviewed references. VELMORA_UPDATE_REFERENCE=1 writes new references
// into the source tree; look at them before committing them.
#include "app/CAboutBox.h"
#include "app/CGraphicsThread.h"
#include "app/WindowTestSupport.h"
#include "support/ReferenceImage.h"
#include "support/QtTestSupport.h"
#include <QImage>
#include <QTest>
#include <algorithm>
#include <cstdlib>

namespace {

// Few pixels may differ clearly (font rasterising), the rest by rounding.
void ExpectMatchesWindowReference(const QImage& grabbed, const std::string& name)
{
    ExpectMatchesReference(grabbed, "app/reference/" + name + ".png", 60);
}

class WindowScreenshotTest : public WindowFixture {
protected:
    void SetUp() override
    {
        setup.registerMoreTypes = RegisterProgramLibraries;
        WindowFixture::SetUp();
    }
};

} // namespace

TEST_F(WindowScreenshotTest, MainWindowOnTheDemoSong)
{
    ASSERT_TRUE(application->OpenProjectFile(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"));
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front();
    Window().Move(0, 0, 960, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window().Window()));
    // A few passes of the graphics thread, then what Qt shows.
    const uint64_t passes = application->GraphicsThread()->Passes();
    ASSERT_TRUE(ProcessEventsUntil([&] { return application->GraphicsThread()->Passes() >= passes + 3; }));
    ProcessEventsUntil([] { return false; }, 100);
    EXPECT_EQ(Title(), "Velmora Studio - Demo.vmp");
    ExpectMatchesWindowReference(Window().Window()->grab().toImage(), "main_window");
}

TEST_F(WindowScreenshotTest, AboutBox)
{
    CAboutBox* about = application->AboutBox();
    about->Show(kShow);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about->Window()));
    ExpectMatchesWindowReference(about->Window()->grab().toImage(), "about_box");
}
