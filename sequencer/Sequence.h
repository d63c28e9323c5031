#pragma once
#include "framework/CArray.h"
#include <cstdint>

class CConnector;
class CMachineContainer;
class Pattern;

inline constexpr int32_t kMinimumSequenceLength = 1;
inline constexpr int32_t kMaximumSequenceLength = 4096;
inline constexpr int32_t kDefaultSequenceLength = 64;

// One placed pattern: it covers start .. start + pattern length (length
// units).
struct SequenceEntry {
    int32_t start;
    Pattern* pattern;

    int32_t End() const;
};

// The row of one control input port in the song.
class SequenceTrack {
public:
    explicit SequenceTrack(CConnector* port) : port(port) {}
    ~SequenceTrack() { entries.DeleteAll(); }
    SequenceTrack(const SequenceTrack&) = delete;
    SequenceTrack& operator=(const SequenceTrack&) = delete;

    CConnector* GetPort() const { return port; }
    int32_t GetEntryCount() const { return entries.GetCount(); }
    SequenceEntry* GetEntry(int32_t index) const { return entries.GetItem(index); }
    // True when an entry other than `ignore` overlaps [start, start + length).
    bool Overlaps(int32_t start, int32_t length, const SequenceEntry* ignore = nullptr) const;
    SequenceEntry* Append(int32_t start, Pattern* pattern);
    void RemoveEntry(SequenceEntry* entry);
    // Removes every entry that `remove` picks.
    template <typename Predicate>
    void RemoveEntriesWhere(Predicate remove);
    // Removes overlapping entries until none overlap, the earlier-starting
    // one of each clashing pair first.
    void RemoveOverlaps();

    Pattern* selectedPattern = nullptr;

private:
    CConnector* port;
    CArray<SequenceEntry> entries; // in insertion order
};

// The song: one track per control input port and the song length.
//
// Design note: the rules here keep every entry inside the song and the
// entries of a track apart after every edit, load included; callers hold
// the pattern editor's lock (the render thread reads the sequence in it).
class Sequence {
public:
    Sequence() = default;
    ~Sequence() { RemoveAllTracks(); }
    Sequence(const Sequence&) = delete;
    Sequence& operator=(const Sequence&) = delete;

    int32_t GetLength() const { return length; }
    int32_t GetTrackCount() const { return tracks.GetCount(); }
    SequenceTrack* GetTrack(int32_t index) const { return tracks.GetItem(index); }
    int32_t IndexOf(const SequenceTrack* track) const { return tracks.IndexOf(track); }
    SequenceTrack* FindTrack(const CConnector* port) const;

    // Appends a track for the port unless one exists; returns the track.
    SequenceTrack* EnsureTrack(CConnector* port);
    void RemoveTracksOf(const CMachineContainer* machine);
    void RemoveAllTracks() { tracks.DeleteAll(); }

    // Places `pattern` at `start` when it fits the song and overlaps nothing
    // on the track; null when refused.
    SequenceEntry* Place(SequenceTrack* track, Pattern* pattern, int32_t start);
    // Moves an entry under the same rules; false when refused or unchanged.
    bool Move(SequenceTrack* track, SequenceEntry* entry, int32_t start);

    // Clamped to 1 .. 4096; a shorter song drops the entries that end past it.
    void SetLength(int32_t newLength);
    // After a pattern changed its length: its tracks drop entries that now
    // end past the song or overlap.
    void PatternLengthChanged(const Pattern* pattern);
    // Every entry of the pattern goes; tracks forget it as their selection.
    void PatternRemoved(const Pattern* pattern);

    bool Fits(int32_t start, int32_t patternLength) const
    {
        return start >= 0 && patternLength > 0 && start <= length - patternLength;
    }

private:
    CArray<SequenceTrack> tracks; // in the order the ports were first seen
    int32_t length = kDefaultSequenceLength;
};

template <typename Predicate>
void SequenceTrack::RemoveEntriesWhere(Predicate remove)
{
    for (int32_t i = entries.GetCount() - 1; i >= 0; --i) {
        SequenceEntry* entry = entries.GetItem(i);
        if (remove(entry)) {
            entries.RemoveItem(i);
            delete entry;
        }
    }
}
