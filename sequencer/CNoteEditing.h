#pragma once
#include <cstdint>
#include <vector>

class CPatternEditor;
struct PatternNote;

// The note view's editing without the window: notes added by a click,
// moved and resized by dragging, removed, and the rectangle selection with
// its private clipboard. Positions are ticks and keys; rows are what the
// grid shows (with chromatic keys, row r is pitch 127 - r; with named keys,
// row r is key r).
//
// Design note: every edit takes the pattern editor's lock and works on its
// current pattern; each goes through the editor's note placement rule.
class CNoteEditing {
public:
    enum DragMode : int32_t { DRAG_MOVE = 1, DRAG_RESIZE_START = 2, DRAG_RESIZE_END = 3 };

    explicit CNoteEditing(CPatternEditor& editor) : editor(editor) {}

    // "Note Length" (1 .. 1024): the length of notes added by a click.
    void SetNoteLength(int32_t length);
    int32_t GetNoteLength() const { return noteLength; }

    // Whether keys are chromatic (the current pattern's machine has no
    // named keys); decides how rows map to keys.
    bool IsChromatic() const;
    int32_t RowOfKey(int32_t key) const;

    // A left click on an empty cell; the note, or null when not allowed.
    PatternNote* AddNoteAt(int32_t tick, int32_t key);
    // The right button on a note.
    void RemoveNote(PatternNote* note);

    // Dragging: BeginDrag remembers where the note was; DragBy applies the
    // whole movement so far (ticks and rows, down positive) and returns
    // whether the note changed.
    void BeginDrag(PatternNote* note, DragMode mode);
    bool DragBy(int32_t ticks, int32_t rows);

    // The selection: two tick columns and two rows, in any order.
    void Select(int32_t tick1, int32_t row1, int32_t tick2, int32_t row2);
    void Deselect() { hasSelection = false; }
    bool HasSelection() const { return hasSelection; }
    bool IsSelected(const PatternNote* note) const;

    // The context menu. Copy keeps the selection; Cut, Delete and a Paste
    // that added a note clear it. Paste returns how many notes it added.
    void Copy();
    void Cut();
    int32_t Paste(int32_t tick, int32_t key);
    void Delete();
    bool CanPaste() const { return !clipboard.empty(); }

private:
    struct ClipNote {
        int32_t start;
        int32_t length;
        int32_t key;
    };

    std::vector<PatternNote*> SelectedNotes() const;
    void CopySelection();
    void RemoveSelection();

    CPatternEditor& editor;
    int32_t noteLength = 1;

    PatternNote* dragged = nullptr;
    DragMode dragMode = DRAG_MOVE;
    int32_t startAtDrag = 0;
    int32_t lengthAtDrag = 0;
    int32_t keyAtDrag = 0;

    bool hasSelection = false;
    int32_t leftTick = 0;
    int32_t rightTick = 0;
    int32_t topRow = 0;
    int32_t bottomRow = 0;

    std::vector<ClipNote> clipboard;
    bool clipboardChromatic = true;
};
