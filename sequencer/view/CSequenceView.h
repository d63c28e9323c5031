#pragma once
#include "sequencer/view/TextCache.h"
#include "ui/CControl.h"
#include <cstdint>
#include <functional>
#include <memory>

class CScrollBar;
class CWheelScroll;
class CSequenceEditor;
struct SequenceEntry;

// The song grid: one row per control input port, labelled "machine.port",
// entries as boxes one length unit per 16 pixels, with the song cursor.
//
// Design note: rows and entries are rendered into the buffer on edits and
// scrolls (GUI thread, the only writer of the sequence); the song cursor is
// drawn over the blit on paint, so the display thread's refresh repaints
// only the columns the cursor left and entered.
class CSequenceView : public CControl {
public:
    static constexpr int32_t kLabelWidth = 196;
    static constexpr int32_t kRowHeight = 16;
    static constexpr int32_t kUnitWidth = 16;
    static constexpr int32_t kBarSize = 16;

    CSequenceView(CControl* parent, CSequenceEditor* editor, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CSequenceView() override;

    void SetFirstColumn(int32_t column);
    int32_t GetFirstColumn() const { return firstColumn; }
    void SetFirstRow(int32_t row);
    int32_t GetFirstRow() const { return firstRow; }
    // Recomputes the scroll ranges and renders (after a change elsewhere).
    void Rebuild();
    // Display thread: moves the song cursor.
    void RefreshCursor();
    double SongCursor() const { return songCursor; }
    // 0 idle, 1 an entry is hot, 2 dragging it.
    int32_t DragState() const { return dragState; }
    const SequenceEntry* HotEntry() const { return hotEntry; }
    // Called after a row was selected by a click in the label column.
    void SetRowSelectedHandler(std::function<void()> handler) { rowSelected = std::move(handler); }

    void Render(CDrawContext& dc) override;
    void Paint(CDrawContext& dc) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void HorizontalScroll(int32_t position) override;
    void VerticalScroll(int32_t position) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    // A quick second click is another press, not a command of its own.
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override { LeftButtonDown(x, y, keys); }
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    void RightButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void CaptureLost() override;

private:
    int32_t GridWidth() const { return Width() - kBarSize; }
    int32_t GridHeight() const { return Height() - kBarSize; }
    SequenceEntry* EntryAt(int32_t px, int32_t py, int32_t& row) const;
    int32_t CursorX(double ticks) const;
    void PresentCursor(double ticks);
    void UpdateScrollBars();
    bool StillThere(int32_t row, const SequenceEntry* entry) const;

    CSequenceEditor& editor;
    CScrollBar* horizontal;
    CScrollBar* vertical;
    std::function<void()> rowSelected;
    std::unique_ptr<CWheelScroll> wheel;
    CTextCache texts;
    int32_t firstColumn = 0;
    int32_t firstRow = 0;
    // Under the cursor lock: the cursor and the geometry of the last render
    // it is placed by.
    CMutex cursorLock;
    double songCursor = -1.0;
    int32_t cursorColumn = 0;
    int32_t cursorWidth = 0;
    int32_t cursorHeight = 0;
    int32_t dragState = 0;
    SequenceEntry* hotEntry = nullptr;
    int32_t hotRow = -1;
    int32_t startAtDrag = 0;
    int32_t pressX = 0;
};
