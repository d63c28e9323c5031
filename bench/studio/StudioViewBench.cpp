// The studio view with 256 machines and 512 cables: a full repaint (the
// view renders its picture and the window is painted from it), with the
// whole graph in sight and in a window of ordinary size, and a box dragged
// across the view by mouse events (repaints per second while dragging).
#include "studio/view/CMachineBox.h"
#include "studio/view/CStudioView.h"
#include "support/StudioFixture.h"
#include "ui/CColorManager.h"
#include "ui/CWindow.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

constexpr int32_t kMachines = 256;
constexpr int32_t kCables = 512;
constexpr int32_t kColumns = 16;

struct BigStudio {
    BigStudio(int32_t width, int32_t height)
    {
        CStudio& studio = *fixture.studio;
        studio.NewProject();
        std::vector<CMachineContainer*> machines{studio.GetMaster()};
        for (int32_t i = 1; i < kMachines; ++i) {
            int32_t column = i % kColumns;
            int32_t row = i / kColumns;
            machines.push_back(studio.AddMachineOfType(fixture.pass, 40 + column * 150, 40 + row * 60));
        }
        // Each machine feeds the next one and the one below it: no cycles.
        int32_t cables = 0;
        for (int32_t i = 1; i < kMachines && cables < kCables; ++i) {
            for (int32_t to : {i + 1, i + kColumns, i + kColumns + 1}) {
                if (to < kMachines && cables < kCables && studio.Connect(machines[i]->GetConnector(1), machines[to]->GetConnector(0), 1.0))
                    ++cables;
            }
        }
        for (int32_t i = kMachines - 1; cables < kCables && i > 0; --i) {
            if (studio.Connect(machines[i]->GetConnector(1), studio.GetMaster()->GetConnector(0), 1.0))
                ++cables;
        }
        window = std::make_unique<CWindow>(nullptr, "Studio", 0, 0, width, height);
        window->SetColorManager(&colors);
        window->Show(kShow);
        view = std::make_unique<CStudioView>(window.get(), &studio, 0, 0, width, height);
        view->Show(kShow);
        QCoreApplication::processEvents();
    }
    ~BigStudio()
    {
        view.reset();
        window.reset();
    }
    void Repaint()
    {
        view->Redraw();
        view->Window()->repaint();
    }

    CStudioFixture fixture;
    CColorManager colors;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CStudioView> view;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Repaint(benchmark::State& state, int32_t width, int32_t height)
{
    BigStudio big(width, height);
    state.counters["cables"] = static_cast<double>(big.view->GetCables().size());
    state.counters["machines"] = big.view->GetBoxCount();
    for (int warm = 0; warm < 5; ++warm)
        big.Repaint();
    QElapsedTimer clock;
    double worst = 0.0;
    for (auto _ : state) {
        clock.start();
        big.Repaint();
        worst = std::max(worst, clock.nsecsElapsed() / 1e6);
    }
    state.counters["worst_ms"] = worst;
}

// Everything in sight: 2600 x 1100 pixels.
void BM_RepaintWholeGraph(benchmark::State& state)
{
    Repaint(state, 2600, 1100);
}
BENCHMARK(BM_RepaintWholeGraph)->Unit(benchmark::kMillisecond)->Iterations(200);

// The view's own part: rendering its picture, without the window's paint.
void BM_RenderOnlyWholeGraph(benchmark::State& state)
{
    BigStudio big(2600, 1100);
    for (auto _ : state)
        big.view->Redraw();
}
BENCHMARK(BM_RenderOnlyWholeGraph)->Unit(benchmark::kMillisecond)->Iterations(200);

// A window of ordinary size over the same graph.
void BM_RepaintWindow(benchmark::State& state)
{
    Repaint(state, 1280, 800);
}
BENCHMARK(BM_RepaintWindow)->Unit(benchmark::kMillisecond)->Iterations(200);

// A box in the middle is dragged back and forth across the whole view; each
// mouse move is followed by the window's paint, as the event loop does.
void BM_DragBoxAcross(benchmark::State& state)
{
    BigStudio big(2600, 1100);
    QWidget* widget = big.view->Window();
    CMachineBox* box = big.view->GetBox(kMachines / 2);
    QPoint grab = big.view->ToView(box->Position() + QPoint(20, 8));
    SendMouse(widget, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    int64_t moves = 0;
    QElapsedTimer clock;
    clock.start();
    for (auto _ : state) {
        int32_t step = static_cast<int32_t>(moves++ % 400);
        int32_t x = step < 200 ? step * 12 : (400 - step) * 12;
        SendMouse(widget, QEvent::MouseMove, QPoint(x, 300 + (step % 50) * 10), Qt::LeftButton);
        widget->repaint();
    }
    double seconds = clock.nsecsElapsed() / 1e9;
    SendMouse(widget, QEvent::MouseButtonRelease, QPoint(0, 300), Qt::NoButton);
    state.counters["repaints_per_s"] = static_cast<double>(moves) / seconds;
    state.counters["moved"] = box->Position() != QPoint(40 + (kMachines / 2 % kColumns) * 150, 40 + (kMachines / 2 / kColumns) * 60);
}
BENCHMARK(BM_DragBoxAcross)->Unit(benchmark::kMillisecond)->Iterations(400);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
