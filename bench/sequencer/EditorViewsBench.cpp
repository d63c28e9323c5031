// The editor views at full-screen size on the offscreen platform: a full
// repaint of the note view (1024-unit pattern, 4096 notes), scrolling it,
// a full repaint of the sequence view (256 tracks of 64 entries), and the
// cursor refresh the display thread makes 100 times a second.
// Rates and times are CPU time of the benchmark's thread (the machine is
// shared). A repaint is the grid rendered into the view's buffer plus the paint that
// blits it and draws the cursors, as the window's paint event does.
#include "sequencer/Pattern.h"
#include "sequencer/view/CNoteView.h"
#include "sequencer/view/CSequenceView.h"
#include "support/SequencerFixture.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/CWindow.h"
#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <ctime>
#include <cstdlib>
#include <memory>

namespace {

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

struct Scene {
    CSequencerFixture fx;
    CColorManager colors;
    std::unique_ptr<CWindow> window;
    QImage screen{kWidth, kHeight, QImage::Format_RGB32};

    Scene()
    {
        window = std::make_unique<CWindow>(nullptr, "Bench", 0, 0, kWidth, kHeight);
        window->SetColorManager(&colors);
        window->Show(kShow);
    }
    // What the window's paint event does with a buffered view.
    void Paint(CControl& view)
    {
        CDrawContext dc(&screen, &colors, view.Font());
        view.Paint(dc);
    }
};

// A 1024-unit pattern with 4096 notes spread over the keys.
Pattern* LongPattern(Scene& scene)
{
    CMachineContainer* synth = scene.fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = scene.fx.NewPattern(synth, 1024);
    CLockGuard lock(scene.fx.Patterns());
    for (int32_t i = 0; i < 4096; ++i)
        pattern->AddNote(i, 1 + i % 3, 36 + (i * 7) % 48);
    return pattern;
}

void BM_NoteViewFullRepaint(benchmark::State& state)
{
    Scene scene;
    LongPattern(scene);
    CNoteView view(scene.window.get(), &scene.fx.Patterns(), 0, 0, kWidth, kHeight);
    view.Show(kShow);
    view.SetFirstRow(40);
    for (auto _ : state) {
        view.Rebuild();
        scene.Paint(view);
    }
}
BENCHMARK(BM_NoteViewFullRepaint)->Unit(benchmark::kMillisecond);

void BM_NoteViewScroll(benchmark::State& state)
{
    Scene scene;
    LongPattern(scene);
    CNoteView view(scene.window.get(), &scene.fx.Patterns(), 0, 0, kWidth, kHeight);
    view.Show(kShow);
    int32_t column = 0;
    for (auto _ : state) {
        column = (column + 1) % 1000;
        view.SetFirstColumn(column);
        scene.Paint(view);
    }
    state.counters["repaints_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NoteViewScroll)->Unit(benchmark::kMillisecond);

void BM_SequenceViewFullRepaint(benchmark::State& state)
{
    Scene scene;
    CSequenceEditor& song = scene.fx.Song();
    song.SetSequenceLength(4096);
    for (int32_t t = 0; t < 256; ++t) {
        CMachineContainer* machine = scene.fx.Add("ZT Events", ("Synth " + std::to_string(t + 1)).c_str());
        Pattern* pattern = scene.fx.NewPattern(machine, 16);
        song.SelectRow(scene.fx.RowOf(machine));
        song.ChoosePattern(pattern);
        for (int32_t e = 0; e < 64; ++e)
            song.PlaceAt(scene.fx.RowOf(machine), e * 16);
    }
    CSequenceView view(scene.window.get(), &song, 0, 0, kWidth, kHeight);
    view.Show(kShow);
    for (auto _ : state) {
        view.Rebuild();
        scene.Paint(view);
    }
}
BENCHMARK(BM_SequenceViewFullRepaint)->Unit(benchmark::kMillisecond);

// One refresh of a moving play cursor with the repaint of the columns it
// left and entered, processed as the GUI thread does; the render blocks
// that move the pattern are not timed.
void BM_CursorRefresh(benchmark::State& state)
{
    Scene scene;
    scene.fx.SetClock(120, 4);
    LongPattern(scene);
    CNoteView view(scene.window.get(), &scene.fx.Patterns(), 0, 0, kWidth, kHeight);
    view.Show(kShow);
    scene.fx.Patterns().SetLoop(true);
    scene.fx.Patterns().SetPlay(true);
    QCoreApplication::processEvents();
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        scene.fx.RenderBlock();
        state.ResumeTiming();
        const double start = ThreadSeconds();
        view.RefreshCursors();
        QCoreApplication::processEvents();
        seconds += ThreadSeconds() - start;
    }
    // 100 refreshes a second, as a share of one core (this thread's CPU
    // time: the machine is shared, wall time would count other work).
    state.counters["core_percent_at_100Hz"] = seconds / static_cast<double>(state.iterations()) * 100.0 * 100.0;
}
BENCHMARK(BM_CursorRefresh)->Unit(benchmark::kMicrosecond);

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
