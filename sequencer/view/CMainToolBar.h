#pragma once
#include "sequencer/view/CMeterLevels.h"
#include "ui/CToolBar.h"
#include <atomic>
#include <string>

class CPeakMeter;
class CSequenceEditor;
class CSlider;
class CStudio;
class CTimeDisplay;
class CToolBarButton;
class CUpDown;

// What the project buttons of the main tool bar ask of the application.
class CMainToolBarCommands {
public:
    virtual void NewProject() = 0;
    virtual void OpenProject() = 0;
    virtual void SaveProject() = 0;

protected:
    ~CMainToolBarCommands() = default;
};

// The main tool bar: project buttons, tempo ("BPM:", "TPB:"), the master
// volume, the master peak meter, the song transport and the song position.
// Tempo edits take the studio lock, so a block sees the old tempo or the
// new one; the render cycle rereads it each block. Refresh runs on the
// graphics thread: it draws the meter and the time and asks the GUI thread
// to bring the transport buttons in line when the song changed them.
class CMainToolBar : public CToolBar {
public:
    static constexpr int32_t kHeight = 30;

    CMainToolBar(CControl* parent, CStudio* studio, CSequenceEditor* song, CMainToolBarCommands* commands, int32_t x,
                 int32_t y, int32_t width, int32_t height);
    ~CMainToolBar() override;

    // Graphics thread.
    void Refresh();
    // Shows the host's tempo again (after a project was loaded).
    void UpdateTempo();
    // Starts the song, or stops it when it plays (the space bar).
    void TogglePlay();

    void ButtonCommand(CControl* button) override;
    void UpDownChanged(CUpDown* upDown) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;

    // Slider position 0 ... 1 to master gain (+6 ... -34 dB, power form)
    // and back; the text of the slider's tip.
    static double GainOfPosition(double position);
    static double PositionOfGain(double gain);
    static std::string VolumeTip(double position);
    void VolumeMoved(double position);

    CMeterLevels& Levels() { return levels; }
    CUpDown* TempoControl() const { return tempo; }
    CUpDown* TicksControl() const { return ticks; }
    CSlider* VolumeSlider() const { return volume; }
    CPeakMeter* Meter() const { return meter; }
    CTimeDisplay* Time() const { return time; }
    CToolBarButton* PlayButton() const { return play; }
    CToolBarButton* StopButton() const { return stop; }
    CToolBarButton* LoopButton() const { return loop; }
    CToolBarButton* NewButton() const { return newButton; }
    CToolBarButton* OpenButton() const { return openButton; }
    CToolBarButton* SaveButton() const { return saveButton; }
    const std::string& LastVolumeTip() const { return lastTip; }

private:
    void SyncTransport();
    void RememberTickLength();

    CStudio* studio;
    CSequenceEditor* song;
    CMainToolBarCommands* commands;
    CMeterLevels levels;
    CToolBarButton* newButton;
    CToolBarButton* openButton;
    CToolBarButton* saveButton;
    CUpDown* tempo;
    CUpDown* ticks;
    CSlider* volume;
    CPeakMeter* meter;
    CToolBarButton* play;
    CToolBarButton* stop;
    CToolBarButton* loop;
    CTimeDisplay* time;
    std::string lastTip;
    // Seconds per tick, kept for the graphics thread, which must not read
    // the host's tempo outside the studio lock.
    std::atomic<double> secondsPerTick{0.0};
    std::atomic<bool> shownPlay{false};
    std::atomic<bool> shownLoop{false};
    std::atomic<bool> syncPosted{false};
};
