// Opening the options dialog (the output drivers probing their devices
// included) on the ALSA test devices and the JACK driver without a server,
// and the sample analyzer drawing a 10-minute WAV made by sox.
#include "app/readers/CWaveSample.h"
#include "app/view/CSampleView.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "audio/view/COptionsDialog.h"
#include "ui/CColorManager.h"
#include "ui/CWindow.h"
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::string Scratch()
{
    static const std::string folder = [] {
        std::string path = "/tmp/velmora-bench-" + std::to_string(getpid());
        std::filesystem::create_directories(path + "/config/Velmora Studio");
        // The program's own driver registry: the JACK driver.
        std::ofstream(path + "/config/Velmora Studio/AsioDrivers.reg")
            << "[HKEY_LOCAL_MACHINE\\software\\asio\\JACK]\n\"clsid\"=\"{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}\"\n"
            << "[HKEY_CLASSES_ROOT\\clsid\\{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}\\InprocServer32]\n@=\"" VELMORA_BIN_DIR
               "/velmora-jack-asio.so\"\n";
        return path;
    }();
    return folder;
}

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// One opening as the user sees it: the drivers made (they probe their
// devices), the dialog made, shown and painted.
void OpenOptions()
{
    CStudioOptions options;
    CAudioOutputManager output(options);
    OptionsServices services;
    services.options = &options;
    services.output = &output;
    CColorManager colors;
    CWindow owner(nullptr, "Owner", 0, 0, 100, 100);
    owner.SetColorManager(&colors);
    COptionsDialog dialog(&owner, services);
    dialog.Show(kShow);
    QImage shown = dialog.Window()->grab().toImage();
    benchmark::DoNotOptimize(shown.bits());
}

// The first opening in the process lists the waveOut devices; later ones
// find the list made.
void BM_OpenOptionsDialogFirst(benchmark::State& state)
{
    for (auto _ : state)
        OpenOptions();
}

void BM_OpenOptionsDialogAgain(benchmark::State& state)
{
    for (auto _ : state)
        OpenOptions();
}

const std::string& LongWave()
{
    static const std::string path = [] {
        std::string file = Scratch() + "/ten-minutes.wav";
        std::string command = "sox -n -r 44100 -c 1 -b 16 '" + file + "' synth 600 sine 220-880 vol 0.7 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            std::abort();
        return file;
    }();
    return path;
}

// From a loaded 10-minute sample to the finished picture of the waveform
// pane (summary made, every column drawn); the file's reading is reported
// beside it.
void BM_WaveformOfTenMinutes(benchmark::State& state)
{
    CWaveSample sample;
    const auto readStart = std::chrono::steady_clock::now();
    sample.Read(LongWave().c_str());
    const double readMs = Milliseconds(std::chrono::steady_clock::now() - readStart);
    CColorManager colors;
    CWindow window(nullptr, "Analyzer", 0, 0, 640, 240);
    window.SetColorManager(&colors);
    CSampleView pane(&window, CSampleView::WAVEFORM, 8, 8, 624, 220);
    for (auto _ : state) {
        pane.SetSample(sample.Samples(), sample.Count(), static_cast<int32_t>(sample.Format().sampleRate));
        benchmark::DoNotOptimize(pane.Buffer()->bits());
    }
    state.counters["samples"] = sample.Count();
    state.counters["read_ms"] = readMs;
}

// Drawing again at another width (a resize): the summary is reused.
void BM_WaveformRedrawOfTenMinutes(benchmark::State& state)
{
    CWaveSample sample;
    sample.Read(LongWave().c_str());
    CColorManager colors;
    CWindow window(nullptr, "Analyzer", 0, 0, 640, 240);
    window.SetColorManager(&colors);
    CSampleView pane(&window, CSampleView::WAVEFORM, 8, 8, 624, 220);
    pane.SetSample(sample.Samples(), sample.Count(), static_cast<int32_t>(sample.Format().sampleRate));
    for (auto _ : state) {
        pane.Redraw();
        benchmark::DoNotOptimize(pane.Buffer()->bits());
    }
}

} // namespace

BENCHMARK(BM_OpenOptionsDialogFirst)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenOptionsDialogAgain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveformOfTenMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveformRedrawOfTenMinutes)->Unit(benchmark::kMillisecond);

// The offscreen platform's notes about what it cannot do say nothing here.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

int main(int argc, char** argv)
{
    qInstallMessageHandler(Quiet);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("JACK_NO_START_SERVER", "1", 1);
    setenv("ALSA_CONFIG_PATH", VELMORA_SOURCE_DIR "/tests/audio/TestDevices.conf", 1);
    setenv("XDG_CONFIG_HOME", (Scratch() + "/config").c_str(), 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(Scratch());
    return 0;
}
