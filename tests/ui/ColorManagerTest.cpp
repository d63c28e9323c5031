#include "support/QtTestSupport.h"
#include "ui/CColorManager.h"
#include "ui/Fonts.h"
#include <QBrush>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QPen>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

QColor QtColor(ColorRef c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

} // namespace

TEST(ColorManagerTest, RootHoldsTheDefaultColours)
{
    CColorManager colors;
    EXPECT_EQ(colors.GetColor(0), MakeColor(0, 0, 0));
    EXPECT_EQ(colors.GetColor(2), MakeColor(32, 32, 32));
    EXPECT_EQ(colors.GetColor(8), MakeColor(51, 51, 51));
    EXPECT_EQ(colors.GetColor(24), MakeColor(0, 16, 0));
    EXPECT_EQ(colors.GetColor(25), MakeColor(255, 187, 0));
    EXPECT_EQ(colors.GetColor(27), MakeColor(204, 150, 0));
    EXPECT_EQ(colors.GetColor(28), MakeColor(229, 168, 0));
    EXPECT_EQ(colors.GetColor(31), MakeColor(160, 160, 160));
    EXPECT_EQ(colors.GetColor(38), MakeColor(0, 240, 0));
    EXPECT_EQ(colors.GetColor(39), MakeColor(240, 240, 0));
    EXPECT_EQ(colors.GetColor(40), MakeColor(240, 0, 0));
    EXPECT_EQ(colors.GetColor(41), MakeColor(204, 150, 0));
    // The stored layout is 0x00BBGGRR.
    EXPECT_EQ(colors.GetColor(13), 0x0000BBFFu);
}

TEST(ColorManagerTest, ChildOwningOnlyColour27InheritsEveryOtherNumber)
{
    CColorManager root;
    CColorManager child(&root);
    child.SetColor(27, MakeColor(1, 2, 3));
    EXPECT_EQ(child.GetColor(27), MakeColor(1, 2, 3));
    EXPECT_EQ(root.GetColor(27), MakeColor(204, 150, 0));
    for (int32_t n = 0; n < CColorManager::kColorCount; ++n) {
        if (n != 27) {
            EXPECT_EQ(child.GetColor(n), root.GetColor(n)) << n;
        }
    }
    // Inherited numbers follow later changes of the parent...
    root.SetColor(5, MakeColor(9, 9, 9));
    EXPECT_EQ(child.GetColor(5), MakeColor(9, 9, 9));
    // ...and the inherited brush is the owner's cached one.
    EXPECT_EQ(child.GetBrush(5), root.GetBrush(5));
    EXPECT_NE(child.GetBrush(27), root.GetBrush(27));
    EXPECT_EQ(child.GetBrush(27)->color(), QColor(1, 2, 3));
}

TEST(ColorManagerTest, GrandchildLooksUpThroughTheChain)
{
    CColorManager root;
    CColorManager child(&root);
    CColorManager grandchild(&child);
    child.SetColor(3, MakeColor(7, 7, 7));
    EXPECT_EQ(grandchild.GetColor(3), MakeColor(7, 7, 7));
    EXPECT_EQ(grandchild.GetColor(4), root.GetColor(4));
    EXPECT_EQ(grandchild.GetPen(3), child.GetPen(3));
}

TEST(ColorManagerTest, SettingAColourAgainReplacesTheCachedBrushAndPen)
{
    CColorManager colors;
    const QBrush* first = colors.GetBrush(12);
    EXPECT_EQ(colors.GetBrush(12), first); // cached
    EXPECT_EQ(first->color(), QtColor(MakeColor(204, 150, 0)));
    EXPECT_EQ(first->style(), Qt::SolidPattern);
    const QPen* pen = colors.GetPen(12);
    EXPECT_EQ(pen->width(), 1);
    colors.SetColor(12, MakeColor(10, 20, 30));
    colors.SetColor(12, MakeColor(40, 50, 60));
    const QBrush* second = colors.GetBrush(12);
    EXPECT_EQ(second->color(), QColor(40, 50, 60));
    EXPECT_EQ(colors.GetPen(12)->color(), QColor(40, 50, 60));
}

TEST(ColorManagerTest, Number41IsAcceptedAnd42Refused)
{
    CColorManager colors;
    EXPECT_EQ(colors.GetColor(41), MakeColor(204, 150, 0));
    EXPECT_NE(colors.GetBrush(41), nullptr);
    const char* message = "ColorManager: Invalid Color Requested";
    EXPECT_EQ(RaisedText([&] { colors.GetColor(42); }), message);
    EXPECT_EQ(RaisedText([&] { colors.GetBrush(42); }), message);
    EXPECT_EQ(RaisedText([&] { colors.GetPen(42); }), message);
    EXPECT_EQ(RaisedText([&] { colors.SetColor(42, 0); }), message);
    EXPECT_EQ(RaisedText([&] { colors.GetColor(-1); }), message);
    // A refused request leaves the lock free.
    EXPECT_FALSE(colors.IsLocked());
}

TEST(ColorManagerTest, LockingAChildLocksItsParentToo)
{
    CColorManager root;
    CColorManager child(&root);
    child.Lock();
    EXPECT_TRUE(child.IsLocked());
    EXPECT_TRUE(root.IsLocked());
    std::atomic<bool> rootTaken{false};
    std::thread other([&] {
        root.Lock();
        rootTaken = true;
        root.Unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(rootTaken.load());
    child.Unlock();
    other.join();
    EXPECT_TRUE(rootTaken.load());
    EXPECT_FALSE(root.IsLocked());
}

TEST(ColorManagerTest, CachesFilledFromTwoThreadsStayConsistent)
{
    CColorManager root;
    CColorManager child(&root);
    auto work = [&](int seed) {
        for (int i = 0; i < 2000; ++i) {
            int n = (i * 7 + seed) % CColorManager::kColorCount;
            CLockGuard<CColorManager> lock(child);
            QColor c = child.GetBrush(n)->color();
            EXPECT_EQ(c, QtColor(child.GetColor(n)));
            if (i % 50 == 0)
                child.SetColor(n, MakeColor(uint8_t(i), uint8_t(seed), 0));
        }
    };
    std::thread a(work, 1);
    std::thread b(work, 2);
    a.join();
    b.join();
}

TEST(FontTest, VerdanaFallsBackToDejaVuSansAtTheDevicesPixelSize)
{
    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterY(static_cast<int>(144 / 0.0254 + 0.5)); // 144 dpi
    std::unique_ptr<QFont> font(CreateFont(&device, "Verdana", 9, false));
    ASSERT_NE(font, nullptr);
    // DejaVu Sans must really be there: a missing font would draw empty boxes.
    EXPECT_EQ(QFontInfo(*font).family(), QString("DejaVu Sans"));
    EXPECT_EQ(font->pixelSize(), 18); // 144 ÷ 72 × 9
    EXPECT_EQ(font->weight(), QFont::Normal);
    std::unique_ptr<QFont> bold(CreateFont(&device, "Verdana", 11, true));
    EXPECT_EQ(bold->pixelSize(), 22);
    EXPECT_EQ(bold->weight(), QFont::Bold);
    EXPECT_TRUE(QFontInfo(*bold).bold());
}

TEST(FontTest, ScreenFontsUseTheScreensResolution)
{
    std::unique_ptr<QFont> font(CreateFont(nullptr, kDefaultFontFace, kDefaultFontPoints, false));
    EXPECT_EQ(font->pixelSize(), 12); // the offscreen screen has 96 dpi
}
