// Controls re-rendered from a second thread, as the display refresh thread
// does, while the GUI thread paints, resizes and handles input. Run under
// ThreadSanitizer: an unguarded buffer, size or composition is a report;
// a lock taken in the wrong order is a hang.
#include "support/QtTestSupport.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/CLiteContainer.h"
#include "ui/CLiteKnob.h"
#include "ui/CPeakMeter.h"
#include "ui/CWindow.h"
#include <QImage>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

// Renders by writing every pixel itself, so that the sanitizer sees each
// access to the buffer (Qt's own drawing code is not instrumented).
class CStripes : public CControl {
public:
    CStripes(CControl* parent) : CControl(parent, "Stripes", 0, 0, 64, 48, true) {}
    void Render(CDrawContext&) override
    {
        QImage* image = Buffer();
        uint32_t shade = 0xFF000000u | static_cast<uint32_t>(generation.load());
        for (int y = 0; y < image->height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(image->scanLine(y));
            for (int x = 0; x < image->width() && x < Width(); ++x)
                row[x] = shade;
        }
        renders.fetch_add(1);
    }
    std::atomic<int> generation{0};
    std::atomic<int> renders{0};
};

class GraphicsThreadTest : public ::testing::Test {
protected:
    void SetUp() override { window = MakeHostWindow("Refresh", 320, 240, &colors); }

    // Runs `draw` on a second thread every millisecond while `gui` runs on
    // this one, for the given time.
    template <typename Draw, typename Gui>
    void RunTogether(int milliseconds, Draw draw, Gui gui)
    {
        std::atomic<bool> stop{false};
        std::thread graphics([&] {
            while (!stop.load()) {
                draw();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
            gui(step);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        stop = true;
        graphics.join();
        QCoreApplication::processEvents();
    }

    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

} // namespace

TEST_F(GraphicsThreadTest, BufferIsRenderedOnOneThreadWhileTheGuiThreadPaintsAndResizes)
{
    CStripes stripes(window.get());
    stripes.Show(kShow);
    int checked = 0;
    RunTogether(
        1500,
        [&] {
            stripes.generation.fetch_add(1);
            stripes.Redraw();
        },
        [&](int step) {
            stripes.Move(0, 0, 40 + step % 50, 30 + step % 20);
            stripes.LockBuffer();
            QImage* image = stripes.Buffer();
            // Whatever generation it shows, the buffer is whole and uniform.
            uint32_t first = reinterpret_cast<const uint32_t*>(image->constScanLine(0))[0];
            const uint32_t* last = reinterpret_cast<const uint32_t*>(image->constScanLine(image->height() - 1));
            if (stripes.renders.load() > 0 && first != 0xFF202020u) {
                EXPECT_EQ(last[image->width() - 1], first);
                ++checked;
            }
            EXPECT_EQ(image->width(), stripes.Width());
            stripes.UnlockBuffer();
            stripes.Window()->repaint();
        });
    EXPECT_GT(stripes.renders.load(), 50);
    EXPECT_GT(checked, 10);
    // The last picture rendered is what the window shows.
    stripes.generation = 0x00123456;
    stripes.Redraw();
    ASSERT_TRUE(ProcessEventsUntil([&] { return PixelAt(stripes.Window()->grab().toImage(), 3, 3) == 0x123456u; }));
}

TEST_F(GraphicsThreadTest, PeakMeterLevelsSetAndDrawnFromAnotherThread)
{
    CPeakMeter meter(window.get(), 10, 10, 99, 18);
    meter.Show(kShow);
    std::atomic<int> round{0};
    RunTogether(
        1000,
        [&] {
            double level = -60.0 + (round.fetch_add(1) % 70);
            meter.SetLevel(0, level, level + 3.0);
            meter.SetLevel(1, level - 10.0, level);
            meter.Redraw();
        },
        [&](int step) {
            if (step % 10 == 0)
                meter.Move(10, 10, 99 + (step / 10) % 3 * 3, 18);
            (void)meter.Window()->grab();
        });
    // Silent from now on: nothing lit after the next refresh.
    meter.Move(10, 10, 99, 18);
    meter.SetLevel(0, -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity());
    meter.SetLevel(1, -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity());
    std::thread([&] { meter.Redraw(); }).join();
    ASSERT_TRUE(ProcessEventsUntil([&] { return PixelAt(meter.Window()->grab().toImage(), 3, 4) == Rgb(63, 93, 63); }));
}

TEST_F(GraphicsThreadTest, LiteChildrenRedrawnFromAnotherThreadWhileTheGuiThreadDrags)
{
    CLiteContainer container(window.get(), nullptr, 200, 120);
    container.Show(kShow);
    CPicture strip;
    strip.Create(20, 20 * 64, true);
    for (int32_t y = 0; y < strip.height; ++y)
        std::fill(strip.Row(y), strip.Row(y) + strip.RowBytes(), static_cast<uint8_t>(y / 20 * 4));
    CLiteKnob meterLike(&container, 10, 10, 20, 20, &strip);
    CLiteKnob dragged(&container, 100, 10, 20, 20, &strip);
    std::atomic<int> value{0};
    QWidget* w = container.Window();
    RunTogether(
        1500,
        [&] { meterLike.SetValue((value.fetch_add(1) % 64) / 63.0); },
        [&](int step) {
            if (step % 40 == 0)
                QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(110, 20));
            QTest::mouseMove(w, QPoint(110, 20 - step % 40));
            if (step % 40 == 39)
                QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(110, 20 - 39));
            if (step % 25 == 0)
                container.Move(0, 0, 200 + step % 2, 120); // recomposes everything on the GUI thread
            CLockGuard<CLiteContainer> lock(container);
            (void)container.Composition().Row(15)[3 * 15];
        });
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(110, 0));
    EXPECT_GT(value.load(), 50);
    EXPECT_GT(dragged.GetValue(), 0.5); // the drags went through
}
