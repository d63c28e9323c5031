// The "HD Recorder" tab on real widgets: its rows follow the track
// machines, the file button's dialog and filters choose file and format,
// the record buttons arm one track or all, the meters and times follow the
// recording; and a screenshot against the reviewed reference.
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "machines/view/CHDRecorder.h"
#include "studio/CVelmHost.h"
#include "support/ReferenceImage.h"
#include "support/QtTestSupport.h"
#include "support/TempFolder.h"
#include "sequencer/view/CTimeDisplay.h"
#include "ui/CLabel.h"
#include "ui/CPeakMeter.h"
#include "ui/CToolBarButton.h"
#include "ui/UserDialogs.h"
#include <QAbstractButton>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {

CVelmHost& Host()
{
    static CVelmHost host(44100, 256, 0);
    return host;
}

class CAnsweringDialogs : public CUserDialogs {
public:
    bool OpenFile(CControl*, const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFile(CControl*, const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFileFiltered(CControl*, const std::string& title, const std::string& filter, std::string& path,
                          int32_t* chosen) override
    {
        asked = title + " | " + filter;
        path = answer;
        *chosen = filterAnswer;
        return !answer.empty();
    }
    bool BrowseFolder(CControl*, const std::string&, std::string&) override { return false; }
    int32_t MessageBox(CControl*, const std::string& text, const std::string& caption, uint32_t style) override
    {
        boxes.push_back(caption + " | " + text + " | " + std::to_string(style));
        return kAnswerOk;
    }
    std::vector<std::string> boxes;
    std::string asked;
    std::string answer;
    int32_t filterAnswer = 0;
};

void Click(CControl* button)
{
    auto* native = button->Window()->findChild<QAbstractButton*>();
    ASSERT_NE(native, nullptr);
    QTest::mouseClick(native, Qt::LeftButton);
}

void Feed(CHDTrackMachine& machine, double level, int blocks)
{
    CAudioBuffer* in = machine.ports[0]->audioBuffer;
    for (int b = 0; b < blocks; ++b) {
        for (int32_t i = 0; i < in->length; ++i) {
            in->left[i] = level;
            if (in->right)
                in->right[i] = -level / 2;
        }
        machine.Process();
    }
}

class HDRecorderViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = SetUserDialogs(&dialogs);
        window = MakeHostWindow("HD Recorder", 640, 200, &colors);
    }
    void TearDown() override { SetUserDialogs(previous); }

    CColorManager colors;
    CAnsweringDialogs dialogs;
    CUserDialogs* previous = nullptr;
    std::unique_ptr<CWindow> window;
    CHDTrackList list;
    TempFolder folder;
};

} // namespace

TEST_F(HDRecorderViewTest, RowsFollowTheTrackMachines)
{
    auto first = std::make_unique<CHDTrackMachine>(&Host(), &list, true);
    first->SetName("Drums");
    CHDRecorder recorder(window.get(), &list, 0, 0, 640, 200);
    recorder.Show(kShow);
    ASSERT_EQ(recorder.RowCount(), 1);
    EXPECT_EQ(recorder.Row(0)->NameLabel()->Text(), "Name: Drums");
    EXPECT_EQ(recorder.Row(0)->FileLabel()->Text(), "File: ''");

    auto second = std::make_unique<CHDTrackMachine>(&Host(), &list, false);
    auto third = std::make_unique<CHDTrackMachine>(&Host(), &list, true);
    recorder.Refresh(); // the graphics thread notices, the GUI thread rebuilds
    ASSERT_TRUE(ProcessEventsUntil([&] { return recorder.RowCount() == 3; }));
    EXPECT_EQ(recorder.Row(2)->Y(), 84);
    EXPECT_EQ(recorder.Row(1)->NameLabel()->Text(), "Track:");
    second.reset();
    recorder.Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return recorder.RowCount() == 2; }));
    EXPECT_EQ(recorder.Row(1)->Track(), third->Track());
    EXPECT_EQ(recorder.Row(1)->Y(), 42) << "the rows below move up";
}

TEST_F(HDRecorderViewTest, FileButtonAndRecordButtonsArmAndRecord)
{
    auto machine = std::make_unique<CHDTrackMachine>(&Host(), &list, true);
    auto other = std::make_unique<CHDTrackMachine>(&Host(), &list, false);
    CHDRecorder recorder(window.get(), &list, 0, 0, 640, 200);
    recorder.Show(kShow);
    CHDTrackRow* row = recorder.Row(0);

    // Arming without a file leaves the button off.
    Click(row->RecordButton());
    EXPECT_FALSE(row->RecordButton()->IsChecked());
    EXPECT_FALSE(machine->Track()->IsRecording());

    // The second filter is 16-bit; a name without extension gets ".wav".
    dialogs.answer = folder / "take";
    dialogs.filterAnswer = 1;
    Click(row->FileButton());
    EXPECT_EQ(dialogs.asked, "Select File To Save To | WAV PCM 32-bit Float (*.wav);;WAV PCM 16-bit Integer (*.WAV)");
    EXPECT_EQ(machine->Track()->GetPath(), folder / "take.wav");
    EXPECT_EQ(machine->Track()->GetFormat(), CHDTrack::FORMAT_PCM16);
    EXPECT_EQ(row->FileLabel()->Text(), "File: '" + (folder / "take.wav") + "'");

    Click(row->RecordButton());
    EXPECT_TRUE(machine->Track()->IsRecording());
    Feed(*machine, 0.5, 172); // one second, about
    recorder.Refresh();
    EXPECT_EQ(row->Time()->Text(), CTimeDisplay::Format(172 * 256 / 44100.0));
    EXPECT_NEAR(row->Time()->GetSeconds(), 172 * 256 / 44100.0, 1e-12);
    EXPECT_NEAR(row->Meter()->GetLevel(0), 10 * std::log10(0.25), 1e-9);
    EXPECT_NEAR(row->Meter()->GetLevel(1), 10 * std::log10(0.0625), 1e-9);
    Click(row->RecordButton());
    EXPECT_FALSE(machine->Track()->IsRecording());

    // "Record Stream": every track with a file, then all off.
    dialogs.answer = folder / "other.wav";
    dialogs.filterAnswer = 0;
    Click(recorder.Row(1)->FileButton());
    EXPECT_EQ(other->Track()->GetFormat(), CHDTrack::FORMAT_FLOAT);
    Click(recorder.RecordStreamButton());
    EXPECT_TRUE(machine->Track()->IsRecording());
    EXPECT_TRUE(other->Track()->IsRecording());
    EXPECT_TRUE(row->RecordButton()->IsChecked());
    Click(recorder.RecordStreamButton());
    EXPECT_FALSE(machine->Track()->IsRecording());
    EXPECT_FALSE(other->Track()->IsRecording());
    EXPECT_FALSE(recorder.Row(1)->RecordButton()->IsChecked());
    list.Writer().Flush();

    // What the disk thread tells reaches the user in the error box.
    machine->SetName("Long");
    machine->Track()->SetDataLimit(4 * 300);
    Click(row->RecordButton());
    Feed(*machine, 0.5, 2);
    EXPECT_FALSE(machine->Track()->IsRecording());
    list.Writer().Flush();
    recorder.Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialogs.boxes.empty(); }));
    EXPECT_EQ(dialogs.boxes[0], "Velmora | HD Track 'Long': Recording <" + (folder / "take.wav") +
                                    "> Reached The 4 GiB Limit Of A WAV File And Was Closed | 16");
    ASSERT_TRUE(ProcessEventsUntil([&] { return !row->RecordButton()->IsChecked(); }));
}

TEST_F(HDRecorderViewTest, LooksAsReviewed)
{
    auto drums = std::make_unique<CHDTrackMachine>(&Host(), &list, true);
    drums->SetName("Drums");
    drums->Track()->SetFile("/home/user/takes/drums.wav", CHDTrack::FORMAT_FLOAT);
    auto voice = std::make_unique<CHDTrackMachine>(&Host(), &list, false);
    voice->SetName("Voice");
    CHDRecorder recorder(window.get(), &list, 0, 0, 640, 200);
    recorder.Show(kShow);
    Feed(*drums, 0.5, 1);
    recorder.Refresh();
    ProcessEventsUntil([] { return false; }, 200);
    QImage actual = window->Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ExpectMatchesReference(actual, "machines/reference/hd_recorder.png", 60);
}
