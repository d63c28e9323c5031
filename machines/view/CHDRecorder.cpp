#include "machines/view/CHDRecorder.h"
#include "framework/Errors.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "sequencer/view/CTimeDisplay.h"
#include "ui/CKnob.h"
#include "ui/CLabel.h"
#include "ui/CPeakMeter.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/UserDialogs.h"
#include <QCoreApplication>
#include <QFont>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

namespace {

double Decibels(double gain)
{
    // Power form, as every level display of the program.
    return gain > 0.0 ? 10.0 * std::log10(gain) : -std::numeric_limits<double>::infinity();
}

// What the disk thread tells (a failed write, the size limit) waits here
// for the GUI thread, which shows it in the error box.
std::mutex toldMutex;
std::vector<std::string> told;

void Tell(const char* text)
{
    std::lock_guard<std::mutex> lock(toldMutex);
    told.emplace_back(text);
}

std::vector<std::string> TakeTold()
{
    std::lock_guard<std::mutex> lock(toldMutex);
    return std::exchange(told, {});
}


} // namespace

// The volume knob hands its moves straight to the track.
class CHDTrackRow::CVolumeKnob : public CKnob {
public:
    CVolumeKnob(CControl* parent, CHDTrack* track, int32_t x, int32_t y)
        : CKnob(parent, x, y, 32, 32), track(track)
    {
    }
    void ValueChanged(double value) override { track->SetVolume(value); }

private:
    CHDTrack* track;
};

CHDTrackRow::CHDTrackRow(CControl* parent, std::shared_ptr<CHDTrack> shownTrack, int32_t y, int32_t width)
    : CControl(parent, "HDTrack", 0, y, width, kHeight), track(std::move(shownTrack))
{
    auto keep = [&](CControl* control) {
        owned.emplace_back(control);
        control->Show(kShow);
        return control;
    };
    nameLabel = static_cast<CLabel*>(keep(new CLabel(this, "Track:", 4, 3, 200, 18)));
    fileLabel = static_cast<CLabel*>(keep(new CLabel(this, "File: ''", 4, 21, 200, 18)));
    bar = static_cast<CToolBar*>(keep(new CToolBar(this, 0, 6, 72, 30)));
    fileButton = bar->AddButton("File", 34, false, 1, "Select File To Save To");
    recordButton = bar->AddButton("Rec", 34, true, 2, "Record Stream");
    volume = static_cast<CKnob*>(keep(new CVolumeKnob(this, track.get(), 0, 5)));
    volume->SetTipText("Set Volume");
    volume->SetValue(track->GetVolume());
    meter = static_cast<CPeakMeter*>(keep(new CPeakMeter(this, 0, 12, 130, 18)));
    meter->SetTipText("Peak Volume");
    time = static_cast<CTimeDisplay*>(keep(new CTimeDisplay(this, 0, 10, 96, 22)));
    time->SetTipText("Time");
    Resized(width, kHeight);
    ShowState();
}

CHDTrackRow::~CHDTrackRow()
{
    // Children before the row's own window.
    while (!owned.empty())
        owned.pop_back();
}

void CHDTrackRow::Resized(int32_t newWidth, int32_t)
{
    if (!time)
        return;
    // Labels on the left, the controls at the right edge.
    const int32_t right = std::max<int32_t>(newWidth, 420);
    time->Move(right - 100, 10, 96, 22);
    meter->Move(right - 236, 12, 130, 18);
    volume->Move(right - 274, 5, 32, 32);
    bar->Move(right - 352, 6, 72, 30);
    nameLabel->Move(4, 3, right - 360, 18);
    fileLabel->Move(4, 21, right - 360, 18);
}

void CHDTrackRow::ShowState()
{
    std::string name = track->NameLabel();
    if (name != shownName) {
        nameLabel->SetText(name.c_str());
        shownName = name;
    }
    std::string file = track->FileLabel();
    if (file != shownFile) {
        fileLabel->SetText(file.c_str());
        shownFile = file;
    }
    recordButton->SetChecked(track->IsRecording());
}

void CHDTrackRow::ButtonCommand(CControl* button)
{
    if (button == fileButton) {
        std::string path = track->GetPath();
        int32_t filter = 0;
        if (!UserDialogs().SaveFileFiltered(this, "Select File To Save To", kFilters, path, &filter))
            return;
        if (path.find('.', path.find_last_of('/') + 1) == std::string::npos)
            path += ".wav"; // the default extension
        // The float filter first; anything else records float as well.
        track->SetFile(path, filter == 1 ? CHDTrack::FORMAT_PCM16 : CHDTrack::FORMAT_FLOAT);
        ShowState();
    } else if (button == recordButton) {
        {
            CLockGuard<CMutex> lock(*track);
            if (recordButton->IsChecked())
                track->Open();
            else
                track->Close();
        }
        ShowState();
    }
}

void CHDTrackRow::Refresh()
{
    double left = 0.0, right = 0.0;
    track->TakePeaks(&left, &right);
    meter->SetLevel(0, Decibels(left * left), Decibels(left * left));
    meter->SetLevel(1, Decibels(right * right), Decibels(right * right));
    meter->Redraw();
    if (time->SetSeconds(track->GetSeconds()))
        time->Redraw();
}

CHDRecorder::CHDRecorder(CControl* parent, CHDTrackList* list, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "HDRecorder", x, y, width, height), list(list)
{
    auto* font = new QFont("Verdana", 9);
    SetFont(font, true);
    bar = std::make_unique<CToolBar>(this, 0, 0, width, 30);
    recordStream = bar->AddButton("Record Stream", 110, true, 1, "Record Stream");
    bar->Show(kShow);
    area = std::make_unique<CControl>(this, "HDTrackList", 8, 38, std::max(width - 16, 1), std::max(height - 46, 1));
    area->Show(kShow);
    list->Writer().SetMessageHandler(Tell);
    Rebuild();
}

CHDRecorder::~CHDRecorder()
{
    list->Writer().SetMessageHandler(nullptr);
    std::lock_guard<std::mutex> lock(rowsMutex);
    rows.clear();
}

void CHDRecorder::Resized(int32_t newWidth, int32_t newHeight)
{
    if (!area)
        return;
    bar->Move(0, 0, newWidth, 30);
    area->Move(8, 38, std::max(newWidth - 16, 1), std::max(newHeight - 46, 1));
    std::lock_guard<std::mutex> lock(rowsMutex);
    for (auto& row : rows)
        row->Move(0, row->Y(), area->Width(), CHDTrackRow::kHeight);
}

void CHDRecorder::Rebuild()
{
    std::vector<std::shared_ptr<CHDTrack>> tracks = list->Tracks();
    builtRevision.store(list->Revision());
    std::lock_guard<std::mutex> lock(rowsMutex);
    // Rows of tracks that stay are kept; the others go, and every row moves
    // to its place (row i at 42 * i).
    std::vector<std::unique_ptr<CHDTrackRow>> kept;
    for (size_t i = 0; i < tracks.size(); ++i) {
        auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const auto& row) { return row && row->Track() == tracks[i]; });
        if (found != rows.end()) {
            kept.push_back(std::move(*found));
            kept.back()->Move(0, CHDTrackRow::kHeight * static_cast<int32_t>(i), area->Width(), CHDTrackRow::kHeight);
        } else {
            kept.push_back(std::make_unique<CHDTrackRow>(area.get(), tracks[i], CHDTrackRow::kHeight * static_cast<int32_t>(i),
                                                         area->Width()));
            kept.back()->Show(kShow);
        }
    }
    rows = std::move(kept);
}

void CHDRecorder::ButtonCommand(CControl* button)
{
    if (button != recordStream)
        return;
    if (recordStream->IsChecked())
        list->OpenAll();
    else
        list->CloseAll();
    std::lock_guard<std::mutex> lock(rowsMutex);
    for (auto& row : rows)
        row->ShowState();
    if (!recordStream->IsChecked())
        recordStream->SetChecked(false);
}

void CHDRecorder::RecordSong(bool on)
{
    if (recordStream->IsChecked() == on)
        return;
    recordStream->SetChecked(on);
    ButtonCommand(recordStream);
}

void CHDRecorder::StopSongRecording()
{
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
        RecordSong(false);
    else
        songStopNoted.store(true, std::memory_order_release);
}

void CHDRecorder::Refresh()
{
    if (songStopNoted.exchange(false, std::memory_order_acq_rel))
        PostMessage(kMessageStopSong, 0, 0);
    if (list->Revision() != builtRevision.load() && !rebuildPosted.exchange(true))
        PostMessage(kMessageRebuild, 0, 0);
    bool timesChanged = false;
    {
        std::lock_guard<std::mutex> lock(rowsMutex);
        for (auto& row : rows) {
            row->Refresh();
            timesChanged = true;
        }
    }
    // Labels, buttons and times belong to the GUI thread.
    if (timesChanged)
        PostMessage(kMessageShowState, 0, 0);
    bool pending;
    {
        std::lock_guard<std::mutex> lock(toldMutex);
        pending = !told.empty();
    }
    if (pending)
        PostMessage(kMessageShowTold, 0, 0);
}

void CHDRecorder::ApplicationMessage(uint32_t message, uintptr_t, intptr_t)
{
    if (message == kMessageRebuild) {
        rebuildPosted.store(false);
        Rebuild();
    } else if (message == kMessageShowTold) {
        for (const std::string& text : TakeTold())
            UserDialogs().MessageBox(this, text, kErrorCaption, kMessageBoxOk | kMessageBoxIconError);
    } else if (message == kMessageStopSong) {
        RecordSong(false);
    } else if (message == kMessageShowState) {
        std::lock_guard<std::mutex> lock(rowsMutex);
        for (auto& row : rows)
            row->ShowState();
    }
}
