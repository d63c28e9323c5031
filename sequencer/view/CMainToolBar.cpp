#include "sequencer/view/CMainToolBar.h"
#include "platform/OsTime.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/view/CTimeDisplay.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "ui/CPeakMeter.h"
#include "ui/CSlider.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include <QPoint>
#include <QSpinBox>
#include <QToolTip>
#include <QWidget>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint32_t kMessageSyncTransport = kMessageApplicationFirst + 0x10;
constexpr int32_t kButtonWidth = 40;
constexpr int32_t kMeterWidth = 96;
constexpr int32_t kMeterHeight = 18;

// The master volume slider: reports its moves to the tool bar.
class CVolumeSlider : public CSlider {
public:
    CVolumeSlider(CMainToolBar* bar) : CSlider(bar, 0, 0, 120, 26), bar(bar) {}
    void ValueChanged(double value) override { bar->VolumeMoved(value); }

private:
    CMainToolBar* bar;
};

int32_t Rounded(double value)
{
    return static_cast<int32_t>(std::lround(value));
}

} // namespace

CMainToolBar::CMainToolBar(CControl* parent, CStudio* studio, CSequenceEditor* song, CMainToolBarCommands* commands,
                           int32_t x, int32_t y, int32_t width, int32_t height)
    : CToolBar(parent, x, y, width, height), studio(studio), song(song), commands(commands)
{
    CVelmHost* host = studio->GetHost();
    newButton = AddButton("New", kButtonWidth, false, 0, "New Project");
    openButton = AddButton("Open", kButtonWidth, false, 0, "Open Project");
    saveButton = AddButton("Save", kButtonWidth, false, 0, "Save Project");
    AddSpace(8);
    AddLabel("BPM:", 34);
    tempo = AddUpDown(52, 1, 1200, Rounded(host->GetTempo()), "Beats Per Minute");
    AddLabel("TPB:", 34);
    ticks = AddUpDown(52, 1, 64, Rounded(host->GetTicksPerBeat()), "Ticks Per Beat");
    AddSpace(8);
    // Typed tempos take effect when complete (Enter or leaving the field),
    // not at each digit: "120" must not play a moment at 1 and 12 BPM.
    for (CUpDown* field : {tempo, ticks}) {
        if (auto* spin = field->Window()->findChild<QSpinBox*>())
            spin->setKeyboardTracking(false);
    }

    volume = new CVolumeSlider(this);
    volume->SetTipText("Volume");
    AddControl(volume, 120);
    volume->SetValue(PositionOfGain(studio->GetTargetMasterVolume()));

    AddSpace(4);
    meter = new CPeakMeter(this, 0, 0, kMeterWidth, kMeterHeight);
    meter->SetTipText("Peak Meter (3dB Units)");
    AddControl(meter, kMeterWidth);
    meter->Move(meter->X(), (height - kMeterHeight) / 2, kMeterWidth, kMeterHeight);

    AddSpace(12);
    play = AddButton("Play", kButtonWidth, true, 0, "Play Song");
    stop = AddButton("Stop", kButtonWidth, false, 0, "Stop Song");
    loop = AddButton("Loop", kButtonWidth, true, 0, "Loop Song");
    AddSpace(4);
    time = new CTimeDisplay(this, 0, 0, 100, height - 2 * kMargin);
    time->SetTipText("Song Position");
    AddControl(time, 100);

    RememberTickLength();
    SyncTransport();
    studio->SetMeterSink(&levels);
}

CMainToolBar::~CMainToolBar()
{
    studio->SetMeterSink(nullptr);
}

double CMainToolBar::GainOfPosition(double position)
{
    return std::pow(10.0, (6.0 - (1.0 - position) * 40.0) / 10.0);
}

double CMainToolBar::PositionOfGain(double gain)
{
    const double position = 1.0 + (10.0 * std::log10(gain) - 6.0) / 40.0;
    return position < 0.0 ? 0.0 : (position > 1.0 ? 1.0 : position);
}

std::string CMainToolBar::VolumeTip(double position)
{
    // The level the slider applies, which is what the listener hears.
    double level = 6.0 - (1.0 - position) * 40.0;
    // Rounding must not print "-0.00 dB" at unity gain.
    if (std::fabs(level) < 0.005)
        level = 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", level);
    return text;
}

void CMainToolBar::VolumeMoved(double position)
{
    studio->SetTargetMasterVolume(GainOfPosition(position));
    lastTip = VolumeTip(position);
    if (QWidget* widget = volume->Window())
        QToolTip::showText(widget->mapToGlobal(QPoint(volume->Width(), volume->Height())),
                           QString::fromStdString(lastTip), widget);
}

void CMainToolBar::UpdateTempo()
{
    CVelmHost* host = studio->GetHost();
    {
        CLockGuard lock(*studio);
        tempo->SetValue(Rounded(host->GetTempo()));
        ticks->SetValue(Rounded(host->GetTicksPerBeat()));
    }
    RememberTickLength();
}

void CMainToolBar::RememberTickLength()
{
    CVelmHost* host = studio->GetHost();
    CLockGuard lock(*studio);
    const int32_t rate = host->GetSampleRate();
    secondsPerTick.store(rate > 0 ? static_cast<double>(host->GetSamplesPerTick()) / rate : 0.0);
}

void CMainToolBar::UpDownChanged(CUpDown* upDown)
{
    if (upDown != tempo && upDown != ticks) {
        CToolBar::UpDownChanged(upDown);
        return;
    }
    CVelmHost* host = studio->GetHost();
    {
        CLockGuard lock(*studio);
        if (upDown == tempo)
            host->SetTempo(tempo->GetValue());
        else
            host->SetTicksPerBeat(ticks->GetValue());
    }
    studio->MarkChanged();
    RememberTickLength();
}

void CMainToolBar::ButtonCommand(CControl* button)
{
    if (button == newButton && commands)
        commands->NewProject();
    else if (button == openButton && commands)
        commands->OpenProject();
    else if (button == saveButton && commands)
        commands->SaveProject();
    else if (button == play)
        song->SetPlay(play->IsChecked());
    else if (button == stop)
        song->Stop();
    else if (button == loop)
        song->SetLoop(loop->IsChecked());
    else
        CToolBar::ButtonCommand(button);
    SyncTransport();
}

void CMainToolBar::TogglePlay()
{
    song->SetPlay(!song->IsPlayDown());
    SyncTransport();
}

void CMainToolBar::SyncTransport()
{
    const bool playing = song->IsPlayDown();
    const bool looping = song->IsLoopDown();
    play->SetChecked(playing);
    loop->SetChecked(looping);
    shownPlay.store(playing);
    shownLoop.store(looping);
}

void CMainToolBar::ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message != kMessageSyncTransport) {
        CToolBar::ApplicationMessage(message, p1, p2);
        return;
    }
    syncPosted.store(false);
    SyncTransport();
}

void CMainToolBar::Refresh()
{
    levels.Decay(platform::GetTickCount());
    for (int32_t i = 0; i < CMeterLevels::kChannels; ++i)
        meter->SetLevel(i, levels.GetLevel(i), levels.GetPeak(i));
    meter->Redraw();

    if (time->SetSeconds(song->GetSongPosition() * secondsPerTick.load()))
        time->Redraw();

    // The song stops by itself at its end, and the sequence editor's
    // buttons drive the same transport: the GUI thread shows what holds.
    if ((song->IsPlayDown() != shownPlay.load() || song->IsLoopDown() != shownLoop.load()) &&
        !syncPosted.exchange(true))
        PostMessage(kMessageSyncTransport, 0, 0);
}
