#include "sequencer/CSequenceEditor.h"
#include "framework/CMutex.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include <algorithm>

CSequenceEditor::CSequenceEditor(CPatternEditor& patterns) : patterns(patterns) {}

void CSequenceEditor::MarkChanged()
{
    patterns.MarkChanged();
    Touch();
}

void CSequenceEditor::SetPlay(bool down)
{
    if (!down) {
        Stop();
        return;
    }
    CLockGuard lock(patterns);
    playDown.store(true, std::memory_order_release);
    songPosition.store(0.0, std::memory_order_release);
    songPlaying.store(true, std::memory_order_release);
}

void CSequenceEditor::Stop()
{
    CLockGuard lock(patterns);
    StopSong();
}

void CSequenceEditor::StopSong()
{
    songPlaying.store(false, std::memory_order_release);
    ReleaseTransport();
}

void CSequenceEditor::ReleaseTransport()
{
    playDown.store(false, std::memory_order_release);
    if (recordDown.exchange(false, std::memory_order_acq_rel) && songRecorder)
        songRecorder->StopRecording();
}

void CSequenceEditor::SetLoop(bool down)
{
    songLoop.store(down, std::memory_order_release);
}

void CSequenceEditor::SetRecord(bool down)
{
    CLockGuard lock(patterns);
    if (down) {
        if (recordDown.exchange(true, std::memory_order_acq_rel))
            return;
        playDown.store(true, std::memory_order_release);
        if (songRecorder)
            songRecorder->StartRecording();
        songPosition.store(0.0, std::memory_order_release);
        songPlaying.store(true, std::memory_order_release);
    } else {
        if (!recordDown.exchange(false, std::memory_order_acq_rel))
            return;
        playDown.store(false, std::memory_order_release);
        if (songRecorder)
            songRecorder->StopRecording();
        StopSong();
    }
}

double CSequenceEditor::SongCursor()
{
    CLockGuard lock(*this);
    return IsSongPlaying() ? GetSongPosition() : -1.0;
}

void CSequenceEditor::SetSequenceLength(int32_t length)
{
    CLockGuard lock(patterns);
    if (std::clamp(length, kMinimumSequenceLength, kMaximumSequenceLength) == sequence.GetLength())
        return;
    sequence.SetLength(length);
    MarkChanged();
}

int32_t CSequenceEditor::GetSequenceLength() const
{
    return sequence.GetLength();
}

SequenceTrack* CSequenceEditor::SelectedTrack() const
{
    return selectedRow >= 0 && selectedRow < sequence.GetTrackCount() ? sequence.GetTrack(selectedRow) : nullptr;
}

void CSequenceEditor::SelectRow(int32_t row)
{
    selectedRow = row >= 0 && row < sequence.GetTrackCount() ? row : -1;
    RefillPatternCombo();
    Touch();
}

std::vector<Pattern*> CSequenceEditor::PatternChoices()
{
    std::vector<Pattern*> choices;
    SequenceTrack* track = SelectedTrack();
    if (!track)
        return choices;
    for (Pattern* pattern : patterns.GetPatterns()) {
        if (pattern->GetTarget() == track->GetPort())
            choices.push_back(pattern);
    }
    return choices;
}

void CSequenceEditor::RefillPatternCombo()
{
    CLockGuard lock(*this);
    SequenceTrack* track = SelectedTrack();
    if (!track || track->selectedPattern)
        return;
    std::vector<Pattern*> choices = PatternChoices();
    if (!choices.empty())
        track->selectedPattern = choices.front();
}

void CSequenceEditor::RefillIfSelectedPort(const Pattern* pattern)
{
    SequenceTrack* track = SelectedTrack();
    if (track && track->GetPort() == pattern->GetTarget())
        RefillPatternCombo();
}

void CSequenceEditor::ChoosePattern(Pattern* pattern)
{
    CLockGuard lock(*this);
    if (SequenceTrack* track = SelectedTrack())
        track->selectedPattern = pattern;
    Touch();
}

SequenceEntry* CSequenceEditor::PlaceAt(int32_t row, int32_t column)
{
    CLockGuard lock(patterns);
    SequenceTrack* track = SelectedTrack();
    if (!track || row != selectedRow)
        return nullptr;
    SequenceEntry* entry = sequence.Place(track, track->selectedPattern, column);
    if (entry)
        MarkChanged();
    return entry;
}

bool CSequenceEditor::MoveEntry(int32_t row, SequenceEntry* entry, int32_t start)
{
    CLockGuard lock(patterns);
    if (row < 0 || row >= sequence.GetTrackCount())
        return false;
    if (!sequence.Move(sequence.GetTrack(row), entry, start))
        return false;
    MarkChanged();
    return true;
}

void CSequenceEditor::RemoveEntry(int32_t row, SequenceEntry* entry)
{
    CLockGuard lock(patterns);
    if (row < 0 || row >= sequence.GetTrackCount())
        return;
    SequenceTrack* track = sequence.GetTrack(row);
    for (int32_t i = 0; i < track->GetEntryCount(); ++i) {
        if (track->GetEntry(i) == entry) {
            track->RemoveEntry(entry);
            MarkChanged();
            return;
        }
    }
}

void CSequenceEditor::EnsureTrack(CConnector* port)
{
    sequence.EnsureTrack(port);
    Touch();
}

void CSequenceEditor::MachineRemoved(CMachineContainer* machine)
{
    SequenceTrack* selected = SelectedTrack();
    sequence.RemoveTracksOf(machine);
    // The selection follows its track, or goes with it.
    selectedRow = selected ? sequence.IndexOf(selected) : -1;
    RefillPatternCombo();
    Touch();
}

void CSequenceEditor::PatternAdded(const Pattern* pattern)
{
    RefillIfSelectedPort(pattern);
    Touch();
}

void CSequenceEditor::PatternRemoved(const Pattern* pattern)
{
    sequence.PatternRemoved(pattern);
    RefillIfSelectedPort(pattern);
    Touch();
}

void CSequenceEditor::PatternRenamed(const Pattern* pattern)
{
    RefillIfSelectedPort(pattern);
    Touch();
}

void CSequenceEditor::PatternLengthChanged(const Pattern* pattern)
{
    CLockGuard lock(*this);
    sequence.PatternLengthChanged(pattern);
    Touch();
}

void CSequenceEditor::Clear()
{
    CLockGuard lock(patterns);
    sequence.RemoveAllTracks();
    selectedRow = -1;
    Touch();
}
