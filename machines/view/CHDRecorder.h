#pragma once
#include "ui/CControl.h"
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CHDTrack;
class CHDTrackList;
class CKnob;
class CLabel;
class CPeakMeter;
class CTimeDisplay;
class CToolBar;
class CToolBarButton;

// One track's row of the "HD Recorder" tab (42 pixels high): its name and
// file, the file and record buttons, the volume knob, the peak meter and
// the recorded time.
class CHDTrackRow : public CControl {
public:
    static constexpr int32_t kHeight = 42;
    static constexpr const char* kFilters = "WAV PCM 32-bit Float (*.wav);;WAV PCM 16-bit Integer (*.WAV)";

    CHDTrackRow(CControl* parent, std::shared_ptr<CHDTrack> track, int32_t y, int32_t width);
    ~CHDTrackRow() override;

    void ButtonCommand(CControl* button) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    // Graphics thread: meter and time from the track, under its lock.
    void Refresh();
    // GUI thread: labels and button from the track.
    void ShowState();

    const std::shared_ptr<CHDTrack>& Track() const { return track; }
    CToolBarButton* FileButton() const { return fileButton; }
    CToolBarButton* RecordButton() const { return recordButton; }
    CLabel* NameLabel() const { return nameLabel; }
    CLabel* FileLabel() const { return fileLabel; }
    CTimeDisplay* Time() const { return time; }
    CPeakMeter* Meter() const { return meter; }
    CKnob* VolumeKnob() const { return volume; }

private:
    class CVolumeKnob;

    std::shared_ptr<CHDTrack> track;
    CToolBar* bar;
    CToolBarButton* fileButton;
    CToolBarButton* recordButton;
    CLabel* nameLabel;
    CLabel* fileLabel;
    CTimeDisplay* time;
    CKnob* volume;
    CPeakMeter* meter;
    std::vector<std::unique_ptr<CControl>> owned;
    std::string shownName;
    std::string shownFile;
};

// The "HD Recorder" tab: "Record Stream" arms every track at once; below
// it one row per HD track machine in the order they were made.
class CHDRecorder : public CControl {
public:
    CHDRecorder(CControl* parent, CHDTrackList* list, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CHDRecorder() override;

    void ButtonCommand(CControl* button) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;

    // Graphics thread, about every 10 ms: meters and times; rows are
    // rebuilt on the GUI thread when tracks came or went.
    void Refresh();

    // "Record Song" of the sequence editor, as "Record Stream" does. The
    // song stops from the render thread when it ends: there the stop is
    // only noted, and carried out on the GUI thread after the next refresh.
    void RecordSong(bool on);
    void StopSongRecording();

    CToolBarButton* RecordStreamButton() const { return recordStream; }
    int32_t RowCount() const { return static_cast<int32_t>(rows.size()); }
    CHDTrackRow* Row(int32_t index) const { return rows[static_cast<size_t>(index)].get(); }
    CControl* TrackArea() const { return area.get(); }

private:
    enum : uint32_t {
        kMessageRebuild = 0x8001,
        kMessageShowState = 0x8002,
        kMessageShowTold = 0x8003,
        kMessageStopSong = 0x8004
    };

    void Rebuild();

    CHDTrackList* list;
    std::unique_ptr<CToolBar> bar;
    CToolBarButton* recordStream;
    std::unique_ptr<CControl> area;
    std::mutex rowsMutex; // the GUI thread rebuilds, the graphics thread refreshes
    std::vector<std::unique_ptr<CHDTrackRow>> rows;
    std::atomic<uint32_t> builtRevision{~0u};
    std::atomic<bool> rebuildPosted{false};
    std::atomic<bool> songStopNoted{false};
};
