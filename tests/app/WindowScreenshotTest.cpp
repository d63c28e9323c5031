// The main window on the demo song and the about box, compared with
// reviewed references. VELMORA_UPDATE_REFERENCE=1 writes new references
// into the source tree; look at them before committing them.
#include "app/CAboutBox.h"
#include "app/CGraphicsThread.h"
#include "app/WindowTestSupport.h"
#include "support/QtTestSupport.h"
#include <QImage>
#include <QTest>
#include <algorithm>
#include <cstdlib>

namespace {

// Few pixels may differ clearly (font rasterising), the rest by rounding.
void ExpectMatchesReference(const QImage& grabbed, const std::string& name)
{
    const QImage actual = grabbed.convertToFormat(QImage::Format_RGB32);
    const std::string referencePath = std::string(VELMORA_SOURCE_DIR) + "/tests/app/reference/" + name + ".png";
    const std::string actualPath = std::string(VELMORA_TEST_DIR) + "/" + name + "_actual.png";
    actual.save(QString::fromStdString(actualPath));
    if (std::getenv("VELMORA_UPDATE_REFERENCE")) {
        ASSERT_TRUE(actual.save(QString::fromStdString(referencePath)));
        GTEST_SKIP() << "reference written to " << referencePath;
    }
    QImage reference(QString::fromStdString(referencePath));
    ASSERT_FALSE(reference.isNull()) << "no reference at " << referencePath;
    reference = reference.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reference.size(), actual.size());
    int clearlyDifferent = 0;
    int worst = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb r = reference.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(r)), std::abs(qGreen(a) - qGreen(r)),
                                    std::abs(qBlue(a) - qBlue(r))});
            worst = std::max(worst, d);
            clearlyDifferent += d > 3;
        }
    }
    EXPECT_LE(clearlyDifferent, 60) << "worst channel difference " << worst << "; actual image: " << actualPath;
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
    ExpectMatchesReference(Window().Window()->grab().toImage(), "main_window");
}

TEST_F(WindowScreenshotTest, AboutBox)
{
    CAboutBox* about = application->AboutBox();
    about->Show(kShow);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about->Window()));
    ExpectMatchesReference(about->Window()->grab().toImage(), "about_box");
}
