#pragma once
#include "framework/CArray.h"
#include "framework/CListNode.h"
#include <cstdint>
#include <string>
#include <vector>

class CConnector;
class CHost;

// Velocity of a note when the pattern has no velocity track: 100/127.
inline constexpr double kDefaultVelocity = 100.0 / 127.0;
// A pattern's length in length units; one unit is 4 ticks.
inline constexpr int32_t kTicksPerLengthUnit = 4;
inline constexpr int32_t kMinimumPatternLength = 1;
inline constexpr int32_t kMaximumPatternLength = 1024;
inline constexpr int32_t kDefaultPatternLength = 16;

struct ControlPoint {
    bool set = false;
    float value = 0.0f;
};

// One lane of automation: a value per tick for one machine parameter, or
// the velocities of the notes (property -1).
class ControlTrack {
public:
    static constexpr int32_t kVelocity = -1;

    ControlTrack(int32_t property, int32_t pointCount);

    bool IsVelocity() const { return property == kVelocity; }
    int32_t GetPointCount() const { return static_cast<int32_t>(points.size()); }
    ControlPoint& Point(int32_t tick) { return points[static_cast<size_t>(tick)]; }
    const ControlPoint& Point(int32_t tick) const { return points[static_cast<size_t>(tick)]; }
    // Surplus points go from the end; new points get the track's default.
    void Resize(int32_t pointCount);
    // (set, 1.0) for velocities, (clear, 0.0) for parameters.
    ControlPoint DefaultPoint() const;

    const int32_t property;

private:
    std::vector<ControlPoint> points;
};

// A node of a pattern's note list. Several notes may share a start and a
// pitch; the note placement rule of the editor keeps one key's notes apart.
struct PatternNote : CListNode<PatternNote> {
    int32_t start = 0;  // tick
    int32_t length = 0; // ticks
    int32_t pitch = 0;  // MIDI note, or key index for machines with named keys

    int32_t End() const { return start + length; }
};

// A named clip of notes and automation for one control input port.
//
// Design note: every operation runs with the pattern editor's lock held;
// the render thread plays patterns inside the same lock. Positions are kept
// in 64-bit samples: a long pattern at a slow tempo lasts more samples than
// 32 bits can count. The clock (samples per tick, block length, note
// frequencies) is read from the host at every block rather than cached.
class Pattern {
public:
    Pattern(int32_t length, const char* name, CConnector* target);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    int32_t GetLength() const { return length; }
    int32_t GetTickCount() const { return kTicksPerLengthUnit * length; }
    const std::string& GetName() const { return name; }
    void SetName(const char* text) { name = text ? text : ""; }
    CConnector* GetTarget() const { return target; }
    void SetTarget(CConnector* port) { target = port; }

    // Notes, in insertion order.
    PatternNote* FirstNote() const { return notes.First(); }
    PatternNote* AddNote(int32_t start, int32_t noteLength, int32_t pitch);
    void RemoveNote(PatternNote* note);
    int32_t GetNoteCount() const;

    int32_t GetControlTrackCount() const { return tracks.GetCount(); }
    ControlTrack* GetControlTrack(int32_t index) const { return tracks.GetItem(index); }
    ControlTrack* GetVelocityTrack() const { return velocityTrack; }
    // The first track driving `property`, or null.
    ControlTrack* FindControlTrack(int32_t property) const;
    int32_t AddControlTrack(int32_t property);
    void RemoveControlTrack(int32_t index);

    // Grows or shrinks every track; shrinking removes the notes that would
    // end past the new end.
    void SetLength(int32_t newLength);

    // Transport of pattern play.
    void Start(bool rewind);
    void Pause(bool rewind);
    void SetLoop(bool value) { loop = value; }
    bool IsPlaying() const { return playing; }
    bool IsPaused() const { return paused; }
    bool IsLooping() const { return loop; }
    int64_t GetPlayPosition() const { return playPosition; }
    void SetSongPosition(int64_t samples) { songPosition = samples; }
    int64_t GetSongPosition() const { return songPosition; }
    // -1 unless playing and not paused.
    double PlayPositionInTicks(int32_t samplesPerTick) const;
    // -1 while the song does not sound the pattern.
    double SongPositionInTicks(int32_t samplesPerTick) const;

    // Emits the events whose sample position lies in [start, start + count)
    // into the target port, at block time position - start + offset; note
    // offs at or past the block's end go to the connector's deferred buffer.
    void RenderRange(CHost& host, int32_t offset, int64_t start, int64_t count, int32_t samplesPerTick);
    // One block of pattern play, under the target machine's lock.
    void Advance(CHost& host);

    uint32_t number = 0; // list index at the last save; resolves sequence references on load

private:
    void ClearVelocityAt(int32_t tick);

    int32_t length;
    std::string name;
    CConnector* target;
    CList<PatternNote> notes;
    CArray<ControlTrack> tracks;
    ControlTrack* velocityTrack = nullptr;
    bool playing = false;
    bool paused = false;
    bool loop = false;
    int64_t playPosition = 0;
    int64_t songPosition = -1;
};
