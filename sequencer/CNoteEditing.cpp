#include "sequencer/CNoteEditing.h"
#include "framework/CMutex.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include <algorithm>

namespace {

constexpr int32_t kHighestPitch = 127;
constexpr int32_t kMaximumNoteLength = 1024;

bool Holds(const Pattern* pattern, const PatternNote* wanted)
{
    for (PatternNote* note = pattern ? pattern->FirstNote() : nullptr; note; note = note->NextNode()) {
        if (note == wanted)
            return true;
    }
    return false;
}

} // namespace

void CNoteEditing::SetNoteLength(int32_t length)
{
    noteLength = std::clamp(length, 1, kMaximumNoteLength);
}

bool CNoteEditing::IsChromatic() const
{
    return !editor.HasNamedKeys();
}

int32_t CNoteEditing::RowOfKey(int32_t key) const
{
    return IsChromatic() ? kHighestPitch - key : key;
}

PatternNote* CNoteEditing::AddNoteAt(int32_t tick, int32_t key)
{
    CLockGuard lock(editor);
    if (!editor.CanPlaceNote(tick, noteLength, key))
        return nullptr;
    editor.MarkChanged();
    return editor.GetCurrentPattern()->AddNote(tick, noteLength, key);
}

void CNoteEditing::RemoveNote(PatternNote* note)
{
    CLockGuard lock(editor);
    if (dragged == note)
        dragged = nullptr;
    Pattern* pattern = editor.GetCurrentPattern();
    if (Holds(pattern, note)) {
        pattern->RemoveNote(note);
        editor.MarkChanged();
    }
}

void CNoteEditing::BeginDrag(PatternNote* note, DragMode mode)
{
    CLockGuard lock(editor);
    dragged = note;
    dragMode = mode;
    startAtDrag = note->start;
    lengthAtDrag = note->length;
    keyAtDrag = note->pitch;
}

bool CNoteEditing::DragBy(int32_t ticks, int32_t rows)
{
    CLockGuard lock(editor);
    PatternNote* note = dragged;
    // The pattern may have changed or gone since the drag began.
    if (!Holds(editor.GetCurrentPattern(), note))
        return false;
    auto allowed = [&](int32_t start, int32_t length, int32_t key) {
        return length >= 1 && editor.CanPlaceNote(start, length, key, note);
    };
    auto take = [&](int32_t start, int32_t length, int32_t key) {
        const bool changed = start != note->start || length != note->length || key != note->pitch;
        note->start = start;
        note->length = length;
        note->pitch = key;
        if (changed)
            editor.MarkChanged();
        return changed;
    };
    switch (dragMode) {
    case DRAG_RESIZE_START:
        if (allowed(startAtDrag + ticks, lengthAtDrag - ticks, note->pitch))
            return take(startAtDrag + ticks, lengthAtDrag - ticks, note->pitch);
        return false;
    case DRAG_RESIZE_END:
        if (allowed(note->start, lengthAtDrag + ticks, note->pitch))
            return take(note->start, lengthAtDrag + ticks, note->pitch);
        return false;
    case DRAG_MOVE: {
        // Down one row is one pitch lower, or the next named key.
        const int32_t key = IsChromatic() ? keyAtDrag - rows : keyAtDrag + rows;
        const int32_t start = startAtDrag + ticks;
        if (allowed(start, note->length, key))
            return take(start, note->length, key);
        if (allowed(note->start, note->length, key))
            return take(note->start, note->length, key);
        if (allowed(start, note->length, note->pitch))
            return take(start, note->length, note->pitch);
        return false;
    }
    }
    return false;
}

void CNoteEditing::Select(int32_t tick1, int32_t row1, int32_t tick2, int32_t row2)
{
    hasSelection = true;
    leftTick = std::min(tick1, tick2);
    rightTick = std::max(tick1, tick2);
    topRow = std::min(row1, row2);
    bottomRow = std::max(row1, row2);
}

bool CNoteEditing::IsSelected(const PatternNote* note) const
{
    if (!hasSelection)
        return false;
    const int32_t row = RowOfKey(note->pitch);
    return row >= topRow && row <= bottomRow && note->start >= leftTick && note->End() - 1 <= rightTick;
}

std::vector<PatternNote*> CNoteEditing::SelectedNotes() const
{
    std::vector<PatternNote*> notes;
    if (Pattern* pattern = editor.GetCurrentPattern()) {
        for (PatternNote* note = pattern->FirstNote(); note; note = note->NextNode()) {
            if (IsSelected(note))
                notes.push_back(note);
        }
    }
    return notes;
}

void CNoteEditing::CopySelection()
{
    // Keys relative to the key of the selection's top row.
    const int32_t topKey = IsChromatic() ? kHighestPitch - topRow : topRow;
    clipboard.clear();
    for (PatternNote* note : SelectedNotes())
        clipboard.push_back({note->start - leftTick, note->length, note->pitch - topKey});
    clipboardChromatic = IsChromatic();
}

void CNoteEditing::RemoveSelection()
{
    Pattern* pattern = editor.GetCurrentPattern();
    for (PatternNote* note : SelectedNotes()) {
        if (dragged == note)
            dragged = nullptr;
        pattern->RemoveNote(note);
        editor.MarkChanged();
    }
    hasSelection = false;
}

void CNoteEditing::Copy()
{
    CLockGuard lock(editor);
    if (hasSelection)
        CopySelection();
}

void CNoteEditing::Cut()
{
    CLockGuard lock(editor);
    if (!hasSelection)
        return;
    CopySelection();
    RemoveSelection();
}

void CNoteEditing::Delete()
{
    CLockGuard lock(editor);
    if (hasSelection)
        RemoveSelection();
}

int32_t CNoteEditing::Paste(int32_t tick, int32_t key)
{
    CLockGuard lock(editor);
    Pattern* pattern = editor.GetCurrentPattern();
    if (!pattern)
        return 0;
    // Rows run the other way between chromatic and named keys.
    const int32_t direction = clipboardChromatic == IsChromatic() ? 1 : -1;
    int32_t added = 0;
    for (const ClipNote& clip : clipboard) {
        const int32_t start = tick + clip.start;
        const int32_t pitch = key + direction * clip.key;
        if (editor.CanPlaceNote(start, clip.length, pitch)) {
            pattern->AddNote(start, clip.length, pitch);
            ++added;
        }
    }
    if (added > 0) {
        hasSelection = false;
        editor.MarkChanged();
    }
    return added;
}
