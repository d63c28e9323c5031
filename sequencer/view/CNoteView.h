#pragma once
#include "framework/CHostMutex.h"
#include "sequencer/CNoteEditing.h"
#include "sequencer/view/TextCache.h"
#include "ui/CControl.h"
#include <cstdint>
#include <functional>
#include <memory>

class CPatternEditor;
class CWheelScroll;
struct PatternNote;

// The piano-roll grid of the current pattern: keys down the label column,
// ticks across, notes as boxes. Edits go through CNoteEditing.
//
// Design note: the grid lives in the control's buffer and is rendered again
// only after an edit, a scroll or a change of the pattern; the play and song
// cursors are drawn over the blit when the window paints, so the display
// thread's cursor refresh only repaints the columns a cursor left and
// entered. The view's own lock serialises that refresh with painting. Pattern
// contents are written only on the GUI thread, which also renders, so
// rendering reads them without holding the pattern lock (a long render would
// otherwise stall the audio thread).
class CNoteView : public CControl, public CHostMutex {
public:
    static constexpr int32_t kLabelWidth = 96;
    static constexpr int32_t kRowHeight = 16;
    static constexpr int32_t kTickWidth = 16;
    static constexpr int32_t kColumnWidth = 4 * kTickWidth;

    // Mouse modes: 0 edit idle, 1 move, 2 resize start, 3 resize end; 4 select
    // idle, 5 rubber band, 6 ... 13 edge and corner drags.
    enum MouseMode : int32_t {
        kEditIdle = 0,
        kMove = 1,
        kResizeStart = 2,
        kResizeEnd = 3,
        kSelectIdle = 4,
        kRubberBand = 5,
        kDragLeft = 6,
        kDragRight = 7,
        kDragTop = 8,
        kDragBottom = 9,
        kDragTopLeft = 10,
        kDragTopRight = 11,
        kDragBottomLeft = 12,
        kDragBottomRight = 13,
    };
    enum MenuItem : int32_t { kCut = 1, kCopy = 2, kPaste = 3, kDelete = 4, kDeselect = 5 };

    CNoteView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CNoteView() override;

    CNoteEditing& Editing() { return editing; }
    void SetNoteLength(int32_t length) { editing.SetNoteLength(length); }
    // 0 (edit) or 4 (select).
    void SetEditMode(bool edit);
    int32_t GetMouseMode() const { return mouseMode; }

    // Scroll origins: the first visible length unit and the first visible row.
    void SetFirstColumn(int32_t column);
    int32_t GetFirstColumn() const { return firstColumn; }
    void SetFirstRow(int32_t row);
    int32_t GetFirstRow() const { return firstRow; }
    int32_t VisibleRows() const;
    int32_t KeyCount() const;
    const PatternNote* HoveredNote() const { return hovered; }
    // The selection in ticks and rows (ordered); false when there is none.
    bool GetSelection(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const;

    // Display thread: moves the play and song cursors.
    void RefreshCursors();
    double PlayCursor() const { return playCursor; }
    double SongCursor() const { return songCursor; }
    // Renders the grid again (after a change made elsewhere); a change of
    // key mode starts at the top of named keys or around middle C.
    void Rebuild();
    // Called after every edit of the pattern from this view.
    void SetEditedHandler(std::function<void()> handler) { edited = std::move(handler); }

    void Render(CDrawContext& dc) override;
    void Paint(CDrawContext& dc) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    // A quick second click is another press, not a command of its own.
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override { LeftButtonDown(x, y, keys); }
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    void RightButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void CaptureLost() override;

protected:
    // Shows the context menu and returns the chosen item, 0 for none.
    virtual int32_t TrackMenu(int32_t x, int32_t y, bool haveSelection, bool canPaste);

private:
    struct Box {
        int32_t x, y, w, h;
        bool visible;
    };

    int32_t TickAt(int32_t px) const;
    int32_t RowAt(int32_t py) const;
    int32_t KeyOfRow(int32_t row) const;
    int32_t RowOfKey(int32_t key) const;
    // Where a note is shown: notes outside the keys or past the end (from
    // files made elsewhere) are pinned to the nearest row and tick so they
    // can still be seen and removed.
    Box NoteBox(const PatternNote* note) const;
    PatternNote* NoteAt(int32_t px, int32_t py) const;
    int32_t CursorX(double ticks) const;
    void PresentCursor(double ticks);
    void UpdateHover(int32_t px, int32_t py);
    void SetPointer(int32_t mode);
    int32_t EdgeAt(int32_t px, int32_t py) const;
    void ApplySelectionDrag(int32_t tick, int32_t row);
    void CommitSelection();
    void Changed();

    CPatternEditor& editor;
    CNoteEditing editing;
    std::unique_ptr<CWheelScroll> wheel;
    CTextCache texts;
    std::function<void()> edited;

    int32_t mouseMode = kEditIdle;
    bool editMode = true;
    bool dragging = false;
    PatternNote* hovered = nullptr;
    int32_t pressX = 0;
    int32_t pressY = 0;

    // Selection corners as dragged (tick, row), -1 when there is none.
    int32_t selTick1 = -1, selRow1 = -1, selTick2 = -1, selRow2 = -1;

    int32_t firstColumn = 0;
    int32_t firstRow = 0;
    bool shownNamed = false;
    // Under the view's lock: the cursors and the geometry of the last render
    // they are placed by.
    double playCursor = -1.0;
    double songCursor = -1.0;
    int32_t cursorColumn = 0;
    int32_t cursorWidth = 0;
    int32_t cursorHeight = 0;
};
