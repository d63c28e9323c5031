#include "sequencer/Sequence.h"
#include "sequencer/Pattern.h"
#include "studio/CConnector.h"
#include <algorithm>
#include <vector>

int32_t SequenceEntry::End() const
{
    return start + pattern->GetLength();
}

bool SequenceTrack::Overlaps(int32_t start, int32_t length, const SequenceEntry* ignore) const
{
    for (SequenceEntry* entry : entries) {
        if (entry == ignore)
            continue;
        const int32_t s = entry->start;
        const int32_t l = entry->pattern->GetLength();
        if ((s < start && start < s + l) || (start <= s && s < start + length))
            return true;
    }
    return false;
}

SequenceEntry* SequenceTrack::Append(int32_t start, Pattern* pattern)
{
    auto* entry = new SequenceEntry{start, pattern};
    entries.AddItem(entry);
    return entry;
}

void SequenceTrack::RemoveEntry(SequenceEntry* entry)
{
    if (entries.Remove(entry))
        delete entry;
}

void SequenceTrack::RemoveOverlaps()
{
    // From the latest start backwards: an entry that reaches into the
    // nearest kept later one clashes with it and goes; kept entries never
    // overlap, so that one check covers them all.
    std::vector<SequenceEntry*> byStart(entries.begin(), entries.end());
    std::stable_sort(byStart.begin(), byStart.end(),
                     [](const SequenceEntry* a, const SequenceEntry* b) { return a->start > b->start; });
    std::vector<SequenceEntry*> clashing;
    const SequenceEntry* kept = nullptr;
    for (SequenceEntry* entry : byStart) {
        if (kept && entry->End() > kept->start)
            clashing.push_back(entry);
        else
            kept = entry;
    }
    for (SequenceEntry* entry : clashing)
        RemoveEntry(entry);
}

SequenceTrack* Sequence::FindTrack(const CConnector* port) const
{
    for (SequenceTrack* track : tracks) {
        if (track->GetPort() == port)
            return track;
    }
    return nullptr;
}

SequenceTrack* Sequence::EnsureTrack(CConnector* port)
{
    if (SequenceTrack* track = FindTrack(port))
        return track;
    auto* track = new SequenceTrack(port);
    tracks.AddItem(track);
    return track;
}

void Sequence::RemoveTracksOf(const CMachineContainer* machine)
{
    for (int32_t i = tracks.GetCount() - 1; i >= 0; --i) {
        SequenceTrack* track = tracks.GetItem(i);
        if (track->GetPort()->GetContainer() == machine) {
            tracks.RemoveItem(i);
            delete track;
        }
    }
}

SequenceEntry* Sequence::Place(SequenceTrack* track, Pattern* pattern, int32_t start)
{
    if (!pattern || !Fits(start, pattern->GetLength()) || track->Overlaps(start, pattern->GetLength()))
        return nullptr;
    return track->Append(start, pattern);
}

bool Sequence::Move(SequenceTrack* track, SequenceEntry* entry, int32_t start)
{
    const int32_t patternLength = entry->pattern->GetLength();
    if (start == entry->start || !Fits(start, patternLength) || track->Overlaps(start, patternLength, entry))
        return false;
    entry->start = start;
    return true;
}

void Sequence::SetLength(int32_t newLength)
{
    newLength = std::clamp(newLength, kMinimumSequenceLength, kMaximumSequenceLength);
    if (newLength < length) {
        for (SequenceTrack* track : tracks)
            track->RemoveEntriesWhere([&](const SequenceEntry* entry) { return entry->End() > newLength; });
    }
    length = newLength;
}

void Sequence::PatternLengthChanged(const Pattern* pattern)
{
    // Every track that holds the pattern, wherever it is placed: a pattern
    // moved to another port may still have entries on its old track.
    for (SequenceTrack* track : tracks) {
        bool holds = false;
        for (int32_t i = 0; i < track->GetEntryCount() && !holds; ++i)
            holds = track->GetEntry(i)->pattern == pattern;
        if (!holds)
            continue;
        track->RemoveEntriesWhere([&](const SequenceEntry* entry) { return entry->End() > length; });
        track->RemoveOverlaps();
    }
}

void Sequence::PatternRemoved(const Pattern* pattern)
{
    for (SequenceTrack* track : tracks) {
        track->RemoveEntriesWhere([&](const SequenceEntry* entry) { return entry->pattern == pattern; });
        if (track->selectedPattern == pattern)
            track->selectedPattern = nullptr;
    }
}
