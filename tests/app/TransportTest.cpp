// The main tool bar on real widgets: tempo under the studio lock, the
// master volume scale, the meter's hold and decay, the time read-out and
// the song transport shared with the space bar.
#include "app/WindowTestSupport.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "machines/view/CHDRecorder.h"
#include "sequencer/view/CSequenceEditorView.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "support/WaveReader.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/view/CMainToolBar.h"
#include "sequencer/view/CMeterLevels.h"
#include "sequencer/view/CTimeDisplay.h"
#include "studio/CVelmHost.h"
#include "support/QtTestSupport.h"
#include "ui/CPeakMeter.h"
#include "ui/CSlider.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

template <typename Widget>
Widget* Inside(CControl* control)
{
    return control->Window()->findChild<Widget*>();
}

} // namespace

TEST(TimeDisplayTest, FieldsAreZeroPaddedAndHoursWrapAtAHundred)
{
    EXPECT_EQ(CTimeDisplay::Format(3725.5), "01:02:05.500");
    EXPECT_EQ(CTimeDisplay::Format(0.0), "00:00:00.000");
    EXPECT_EQ(CTimeDisplay::Format(59.999), "00:00:59.999");
    EXPECT_EQ(CTimeDisplay::Format(60.0), "00:01:00.000");
    EXPECT_EQ(CTimeDisplay::Format(100 * 3600.0 + 1.25), "00:00:01.250");
    EXPECT_EQ(CTimeDisplay::Format(99 * 3600.0 + 59 * 60 + 59.5), "99:59:59.500");
    // Nothing before the start, nothing broken.
    EXPECT_EQ(CTimeDisplay::Format(-2.0), "00:00:00.000");
    EXPECT_EQ(CTimeDisplay::Format(std::nan("")), "00:00:00.000");
}

TEST(MeterLevelsTest, PeaksHoldOneSecondThenFallAt48DecibelsPerSecondDownToMinus90)
{
    CMeterLevels levels;
    levels.Decay(500); // no peak time yet: starts now
    EXPECT_EQ(levels.GetPeak(0), -kInfinity);

    levels.PutPeaksAt(0.25, 0.0, 1000); // -6.02 dB and silence
    const double peak = 10.0 * std::log10(0.25);
    EXPECT_DOUBLE_EQ(levels.GetLevel(0), peak);
    EXPECT_EQ(levels.GetLevel(1), -kInfinity);
    levels.Decay(2000);
    EXPECT_DOUBLE_EQ(levels.GetPeak(0), peak); // held for a second
    levels.Decay(3000);
    EXPECT_NEAR(levels.GetPeak(0), peak - 48.0, 1e-9);
    levels.Decay(3500); // time was moved to 2000: 1.5 s
    EXPECT_NEAR(levels.GetPeak(0), peak - 48.0 - 24.0, 1e-9);
    levels.Decay(9000);
    EXPECT_EQ(levels.GetPeak(0), CMeterLevels::kPeakFloor);
    EXPECT_EQ(levels.GetPeak(1), CMeterLevels::kPeakFloor); // silence sits at the floor too
    levels.Decay(20000);
    EXPECT_EQ(levels.GetPeak(0), CMeterLevels::kPeakFloor);

    // A louder block takes over the peak and restarts its second.
    levels.PutPeaksAt(0.01, 1.0, 20000);
    EXPECT_DOUBLE_EQ(levels.GetPeak(1), 0.0);
    levels.Decay(20900);
    EXPECT_DOUBLE_EQ(levels.GetPeak(1), 0.0);
    // A quieter one does not.
    levels.PutPeaksAt(0.0, 0.5, 21000);
    levels.Decay(21900);
    EXPECT_LT(levels.GetPeak(1), 0.0);
}

TEST(VolumeScaleTest, PositionsMapToPlus6DownToMinus34Decibels)
{
    EXPECT_DOUBLE_EQ(CMainToolBar::PositionOfGain(1.0), 0.85);
    EXPECT_NEAR(10.0 * std::log10(CMainToolBar::GainOfPosition(1.0)), 6.0, 1e-12);
    EXPECT_NEAR(10.0 * std::log10(CMainToolBar::GainOfPosition(0.0)), -34.0, 1e-12);
    for (double p : {0.0, 0.3, 0.85, 1.0})
        EXPECT_NEAR(CMainToolBar::PositionOfGain(CMainToolBar::GainOfPosition(p)), p, 1e-12);
    EXPECT_EQ(CMainToolBar::VolumeTip(0.85), "0.00 dB");
    EXPECT_EQ(CMainToolBar::VolumeTip(0.8499999), "0.00 dB");
    EXPECT_EQ(CMainToolBar::VolumeTip(0.0), "-34.00 dB");
    EXPECT_EQ(CMainToolBar::VolumeTip(1.0), "6.00 dB");
}

using TransportTest = WindowFixture;

TEST_F(TransportTest, TicksPerBeatChangeWaitsForTheBlockInProgressAndTakesEffectAfterIt)
{
    CMainToolBar* bar = Window().ToolBar();
    CVelmHost* host = Session().Studio().GetHost();
    auto* bpm = Inside<QSpinBox>(bar->TempoControl());
    auto* tpb = Inside<QSpinBox>(bar->TicksControl());
    bpm->setValue(120);
    tpb->setValue(4);
    ASSERT_EQ(host->GetSamplesPerTick(), 5512);
    Session().Studio().ClearChanged();

    // A "block" holds the studio lock while the user changes the value.
    std::atomic<bool> holding{false};
    std::atomic<double> seenDuringBlock{0.0};
    std::thread block([&] {
        CLockGuard lock(Session().Studio());
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        seenDuringBlock = host->GetTicksPerBeat();
    });
    while (!holding)
        std::this_thread::yield();
    tpb->setValue(8);
    block.join();
    EXPECT_EQ(seenDuringBlock.load(), 4.0);
    EXPECT_EQ(host->GetTicksPerBeat(), 8.0);
    EXPECT_EQ(host->GetSamplesPerTick(), 2756);
    EXPECT_TRUE(Session().Studio().IsChanged());
    EXPECT_TRUE(ProcessEventsUntil([&] { return Title() == "*Velmora Studio"; })) << Title();

    // Typing takes effect when the number is complete.
    bpm->setFocus();
    bpm->selectAll();
    QTest::keyClicks(bpm, "133");
    EXPECT_EQ(host->GetTempo(), 120.0);
    QTest::keyClick(bpm, Qt::Key_Return);
    EXPECT_EQ(host->GetTempo(), 133.0);

    // The range holds.
    tpb->setValue(100);
    EXPECT_EQ(host->GetTicksPerBeat(), 64.0);
    bpm->setValue(0);
    EXPECT_EQ(host->GetTempo(), 1.0);
}

TEST_F(TransportTest, VolumeSliderStartsAtTheGainAndSetsTheMasterVolume)
{
    CMainToolBar* bar = Window().ToolBar();
    EXPECT_NEAR(bar->VolumeSlider()->GetValue(), 0.85, 1e-3);
    auto* slider = Inside<QSlider>(bar->VolumeSlider());
    ASSERT_NE(slider, nullptr);
    slider->setValue(slider->minimum());
    EXPECT_NEAR(Session().Studio().GetTargetMasterVolume(), std::pow(10.0, -3.4), 1e-12);
    EXPECT_EQ(bar->LastVolumeTip(), "-34.00 dB");
    slider->setValue(slider->maximum());
    EXPECT_NEAR(Session().Studio().GetTargetMasterVolume(), std::pow(10.0, 0.6), 1e-12);
    EXPECT_EQ(bar->LastVolumeTip(), "6.00 dB");
    EXPECT_FALSE(Session().Studio().IsChanged()); // not part of the project
}

TEST_F(TransportTest, RefreshDrawsTheMeterFromTheStudiosPeaks)
{
    CMainToolBar* bar = Window().ToolBar();
    bar->Levels().PutPeaks(1.0, 0.001);
    bar->Refresh();
    EXPECT_DOUBLE_EQ(bar->Meter()->GetLevel(0), 0.0);
    EXPECT_DOUBLE_EQ(bar->Meter()->GetLevel(1), -30.0);
    EXPECT_DOUBLE_EQ(bar->Meter()->GetPeak(0), 0.0);
    bar->Levels().PutPeaks(0.0, 0.0);
    bar->Refresh();
    EXPECT_EQ(bar->Meter()->GetLevel(0), -kInfinity);
    EXPECT_DOUBLE_EQ(bar->Meter()->GetPeak(0), 0.0); // still held
}

TEST_F(TransportTest, PlayStopLoopAndTheSpaceBarDriveTheSongTransport)
{
    CMainToolBar* bar = Window().ToolBar();
    CSequenceEditor& song = Session().Sequencer().Song();
    auto click = [](CToolBarButton* button) { QTest::mouseClick(Inside<QToolButton>(button), Qt::LeftButton); };

    click(bar->PlayButton());
    EXPECT_TRUE(song.IsPlayDown());
    EXPECT_TRUE(bar->PlayButton()->IsChecked());
    click(bar->StopButton());
    EXPECT_FALSE(song.IsPlayDown());
    EXPECT_FALSE(bar->PlayButton()->IsChecked());
    click(bar->LoopButton());
    EXPECT_TRUE(song.IsLoopDown());
    click(bar->LoopButton());
    EXPECT_FALSE(song.IsLoopDown());

    // The space bar, from another tab.
    Window().Command(CMainWindow::kCommandViewSequenceEditor);
    QWindow* native = Window().Window()->windowHandle();
    ASSERT_NE(native, nullptr);
    Window().Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window().Window()));
    QTest::keyClick(native, Qt::Key_Space);
    EXPECT_TRUE(song.IsPlayDown());
    EXPECT_TRUE(bar->PlayButton()->IsChecked());
    QTest::keyClick(native, Qt::Key_Space);
    EXPECT_FALSE(song.IsPlayDown());

    // Driven from elsewhere (the sequence editor's buttons, the song's end):
    // the graphics thread's refresh brings the buttons in line.
    song.SetPlay(true);
    song.SetLoop(true);
    bar->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return bar->PlayButton()->IsChecked() && bar->LoopButton()->IsChecked(); }));
    song.Stop();
    bar->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !bar->PlayButton()->IsChecked(); }));
}

namespace {

// The window playing through "Null", so that songs end by themselves.
class RecordSongTest : public WindowFixture {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        CStudioOptions options;
        options.Read();
        options.outputDriver = CAudioOutputManager::NULL_DRIVER;
        ASSERT_TRUE(options.Write());
        setup.startOutput = true;
        WindowFixture::SetUp();
    }
};

} // namespace

// "Record Song" starts the HD recorder with the song; the song's end, met on
// the render thread, stops it on the GUI thread: the file is closed with its
// header, and both buttons are up again.
TEST_F(RecordSongTest, TheHDRecorderRecordsFromTheSongsStartToItsEnd)
{
    CStudio& studio = Session().Studio();
    CMachineContainer* machine =
        studio.AddMachineOfType(Session().Host().FindMachineInfoByName("ZT HD Recorder Track (Stereo)"), 100, 100);
    ASSERT_NE(machine, nullptr);
    ASSERT_NE(studio.Connect(machine->GetConnector(1), studio.GetMaster()->GetConnector(0), 1.0), nullptr);
    const std::shared_ptr<CHDTrack> track = static_cast<CHDTrackMachine*>(machine->GetMachine())->Track();
    const std::string take = files / "take.wav";
    track->SetFile(take, CHDTrack::FORMAT_FLOAT);

    CSequenceEditor& song = Session().Sequencer().Song();
    song.SetSequenceLength(1); // 4 ticks: about a tenth of a second
    auto* editor = static_cast<CSequenceEditorView*>(Window().TabView(CMainWindow::kTabSequenceEditor));
    auto* recorder = static_cast<CHDRecorder*>(Window().TabView(CMainWindow::kTabHDRecorder));
    QTest::mouseClick(Inside<QToolButton>(editor->Button(CSequenceEditorView::kRecord)), Qt::LeftButton);
    EXPECT_TRUE(song.IsRecordDown());
    EXPECT_TRUE(song.IsPlayDown());
    EXPECT_TRUE(recorder->RecordStreamButton()->IsChecked());
    EXPECT_TRUE(track->IsRecording());

    ASSERT_TRUE(ProcessEventsUntil([&] { return !recorder->RecordStreamButton()->IsChecked(); }, 10000));
    EXPECT_FALSE(track->IsRecording());
    EXPECT_FALSE(song.IsRecordDown());
    EXPECT_FALSE(song.IsSongPlaying());
    CHDTrackList::Shared().Writer().Flush(); // the disk thread closes the file
    const WaveFile wave = ReadWave(take);
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.riffSize + 8u, wave.fileSize); // the header was written at the close
    const size_t songFrames = 4u * static_cast<size_t>(Session().Host().GetSamplesPerTick());
    EXPECT_GE(wave.Frames(), songFrames);
    EXPECT_LT(wave.Frames(), songFrames + 44100u); // stopped soon after the end, not left running

    // Released by hand, it stops at once.
    track->SetFile(files / "second.wav", CHDTrack::FORMAT_FLOAT);
    song.SetSequenceLength(4096);
    QTest::mouseClick(Inside<QToolButton>(editor->Button(CSequenceEditorView::kRecord)), Qt::LeftButton);
    ASSERT_TRUE(track->IsRecording());
    QTest::mouseClick(Inside<QToolButton>(editor->Button(CSequenceEditorView::kRecord)), Qt::LeftButton);
    EXPECT_FALSE(track->IsRecording());
    EXPECT_FALSE(recorder->RecordStreamButton()->IsChecked());
    EXPECT_FALSE(song.IsSongPlaying());
}
