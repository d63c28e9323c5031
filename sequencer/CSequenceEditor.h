#pragma once
#include "framework/CHostMutex.h"
#include "sequencer/Sequence.h"
#include <atomic>
#include <cstdint>
#include <vector>

class CByteReader;
class CByteWriter;
class CConnector;
class CMachineContainer;
class CPatternEditor;
class Pattern;

// What "Record Song" starts and stops: the HD recorder.
class CSongRecorder {
public:
    virtual void StartRecording() = 0;
    // May be called on the render thread, when the song ends.
    virtual void StopRecording() = 0;

protected:
    ~CSongRecorder() = default;
};

// The sequence editor without its window: the song (`Sequence`), its
// transport and song play, the selected row, and the placing, dragging and
// removing of entries.
//
// Design note: the sequence is read by the render thread inside the pattern
// editor's lock, so every change to tracks and entries takes that lock; the
// editor's own lock comes after it and serialises the cursor refresh of the
// display thread with refills of "PatternCombo". Operations that the
// pattern editor calls while it holds the pattern lock say so. The
// transport flags and the song position are read by the display thread and
// written by the render thread when the song ends, hence atomic; the user's
// transport commands take the pattern lock too, so that a restart cannot be
// lost to a block in progress.
class CSequenceEditor : public CHostMutex {
public:
    explicit CSequenceEditor(CPatternEditor& patterns);
    CSequenceEditor(const CSequenceEditor&) = delete;
    CSequenceEditor& operator=(const CSequenceEditor&) = delete;

    // Read with the pattern lock held.
    const Sequence& GetSequence() const { return sequence; }

    // Bumped by every change the sequence view shows; an edit that a save
    // keeps also marks the project changed.
    uint64_t GetRevision() const { return revision.load(std::memory_order_acquire); }
    void Touch() { revision.fetch_add(1, std::memory_order_release); }

    // Transport: "Play Pattern" (toggle; releasing it stops the song),
    // "Stop Pattern", "Loop Pattern" (toggle), "Record Song" (toggle).
    void SetPlay(bool down);
    void Stop();
    void SetLoop(bool down);
    void SetRecord(bool down);
    bool IsPlayDown() const { return playDown.load(std::memory_order_acquire); }
    bool IsRecordDown() const { return recordDown.load(std::memory_order_acquire); }
    bool IsLoopDown() const { return songLoop.load(std::memory_order_acquire); }
    bool IsSongPlaying() const { return songPlaying.load(std::memory_order_acquire); }
    // Ticks from the song start.
    double GetSongPosition() const { return songPosition.load(std::memory_order_acquire); }
    // The cursor: the song position while the song plays, else -1.
    double SongCursor();
    void SetRecorder(CSongRecorder* recorder) { songRecorder = recorder; }

    // "Sequence Length" (1 .. 4096); a shorter song drops entries past it.
    void SetSequenceLength(int32_t length);
    int32_t GetSequenceLength() const;

    // The view: a click in the label column selects a row (-1 none) and
    // refills "PatternCombo" with the patterns of that row's port; a choice
    // there becomes the row's selected pattern.
    void SelectRow(int32_t row);
    int32_t GetSelectedRow() const { return selectedRow; }
    std::vector<Pattern*> PatternChoices();
    void ChoosePattern(Pattern* pattern);
    // A click in the grid places the selected row's selected pattern at
    // `column`, only in the selected row; null when refused.
    SequenceEntry* PlaceAt(int32_t row, int32_t column);
    // Dragging an entry; false when the new start is refused.
    bool MoveEntry(int32_t row, SequenceEntry* entry, int32_t start);
    // The right button on an entry.
    void RemoveEntry(int32_t row, SequenceEntry* entry);

    // From the pattern editor, with the pattern lock held.
    void EnsureTrack(CConnector* port);
    void MachineRemoved(CMachineContainer* machine);
    void PatternAdded(const Pattern* pattern);
    void PatternRemoved(const Pattern* pattern);
    void PatternRenamed(const Pattern* pattern);
    void PatternLengthChanged(const Pattern* pattern);

    // Project clear: every track goes. Takes the pattern lock.
    void Clear();

    // Render cycle, pattern lock held: one block of song play.
    void SongStep();

    // Project block, pattern lock held. Reading places entries on the track
    // at the stored position, or, with `byPatternPort`, on the track of the
    // port that each entry's pattern plays into; entries that do not fit
    // are skipped.
    void WriteBlock(CByteWriter& out) const;
    void ReadBlock(CByteReader& in, bool byPatternPort);

private:
    SequenceTrack* SelectedTrack() const;
    // The selected track's "PatternCombo": its selection defaults to the
    // first pattern of its port.
    void RefillPatternCombo();
    void RefillIfSelectedPort(const Pattern* pattern);
    // Song ends or stops: buttons up, recorder stopped.
    void ReleaseTransport();
    void StopSong();
    void MarkChanged();

    CPatternEditor& patterns;
    Sequence sequence;
    int32_t selectedRow = -1;
    CSongRecorder* songRecorder = nullptr;
    std::atomic<bool> playDown{false};
    std::atomic<bool> recordDown{false};
    std::atomic<bool> songLoop{false};
    std::atomic<bool> songPlaying{false};
    std::atomic<double> songPosition{0.0};
    std::atomic<uint64_t> revision{0};
};
