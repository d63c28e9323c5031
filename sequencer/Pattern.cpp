#include "sequencer/Pattern.h"

ControlTrack::ControlTrack(int32_t property, int32_t pointCount) : property(property)
{
    Resize(pointCount);
}

ControlPoint ControlTrack::DefaultPoint() const
{
    return IsVelocity() ? ControlPoint{true, 1.0f} : ControlPoint{false, 0.0f};
}

void ControlTrack::Resize(int32_t pointCount)
{
    points.resize(static_cast<size_t>(pointCount > 0 ? pointCount : 0), DefaultPoint());
}

Pattern::Pattern(int32_t length, const char* name, CConnector* target)
    : length(length), name(name ? name : ""), target(target)
{
}

Pattern::~Pattern()
{
    while (PatternNote* note = notes.First()) {
        notes.Remove(note);
        delete note;
    }
    tracks.DeleteAll();
}

PatternNote* Pattern::AddNote(int32_t start, int32_t noteLength, int32_t pitch)
{
    auto* note = new PatternNote;
    note->start = start;
    note->length = noteLength;
    note->pitch = pitch;
    notes.Append(note);
    if (velocityTrack && start >= 0 && start < velocityTrack->GetPointCount()) {
        ControlPoint& point = velocityTrack->Point(start);
        if (!point.set)
            point = ControlPoint{true, static_cast<float>(kDefaultVelocity)};
    }
    return note;
}

void Pattern::RemoveNote(PatternNote* note)
{
    notes.Remove(note);
    const int32_t start = note->start;
    delete note;
    ClearVelocityAt(start);
}

void Pattern::ClearVelocityAt(int32_t tick)
{
    if (!velocityTrack || tick < 0 || tick >= velocityTrack->GetPointCount())
        return;
    for (PatternNote* other = notes.First(); other; other = other->NextNode()) {
        if (other->start == tick)
            return;
    }
    velocityTrack->Point(tick) = ControlPoint{false, 0.0f};
}

int32_t Pattern::GetNoteCount() const
{
    int32_t count = 0;
    for (PatternNote* note = notes.First(); note; note = note->NextNode())
        ++count;
    return count;
}

ControlTrack* Pattern::FindControlTrack(int32_t property) const
{
    for (ControlTrack* track : tracks) {
        if (track->property == property)
            return track;
    }
    return nullptr;
}

int32_t Pattern::AddControlTrack(int32_t property)
{
    auto* track = new ControlTrack(property, GetTickCount());
    tracks.AddItem(track);
    if (track->IsVelocity())
        velocityTrack = track;
    return tracks.GetCount() - 1;
}

void Pattern::RemoveControlTrack(int32_t index)
{
    ControlTrack* track = index >= 0 && index < tracks.GetCount() ? tracks.GetItem(index) : nullptr;
    // A bad index raises the array's own message here.
    tracks.RemoveItem(index);
    if (track == velocityTrack)
        velocityTrack = nullptr;
    delete track;
}

void Pattern::SetLength(int32_t newLength)
{
    if (newLength == length)
        return;
    const int32_t ticks = kTicksPerLengthUnit * newLength;
    for (ControlTrack* track : tracks)
        track->Resize(ticks);
    if (newLength < length) {
        for (PatternNote* note = notes.First(); note;) {
            PatternNote* next = note->NextNode();
            if (note->End() > ticks)
                RemoveNote(note);
            note = next;
        }
    }
    length = newLength;
}

void Pattern::Start(bool rewind)
{
    playing = true;
    paused = false;
    if (rewind)
        playPosition = 0;
}

void Pattern::Pause(bool rewind)
{
    if (playing)
        paused = true;
    if (rewind)
        playPosition = 0;
}

double Pattern::PlayPositionInTicks(int32_t samplesPerTick) const
{
    if (!playing || paused || samplesPerTick <= 0)
        return -1.0;
    return static_cast<double>(playPosition) / samplesPerTick;
}

double Pattern::SongPositionInTicks(int32_t samplesPerTick) const
{
    if (songPosition == -1 || samplesPerTick <= 0)
        return -1.0;
    return static_cast<double>(songPosition) / samplesPerTick;
}
