#include "sequencer/view/CNoteView.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "framework/CPort.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/WheelScroll.h"
#include "studio/CConnector.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/ControlMessages.h"
#include "ui/Fonts.h"
#include <QFontMetrics>
#include <QMenu>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr int32_t kHighestPitch = 127;
constexpr int32_t kEdgeGrip = 2;
constexpr int32_t kWheelRows = 3;

// Colour numbers of the shared scheme.
enum : int32_t {
    kBackground = 8,
    kBlackKeyRow = 30,
    kBeyondEnd = 0,
    kTickLine = 3,
    kUnitLine = 23,
    kWhiteKeyBack = 16,
    kWhiteKeyText = 17,
    kBlackKeyBack = 18,
    kBlackKeyText = 19,
    kFrameLight = 25,
    kFrameShadow = 26,
    kNoteFill = 27,
    kNoteHighlight = 28,
    kSelectionFrame = 1,
};

bool Holds(const Pattern* pattern, const PatternNote* wanted)
{
    for (const PatternNote* note = pattern && wanted ? pattern->FirstNote() : nullptr; note; note = note->NextNode()) {
        if (note == wanted)
            return true;
    }
    return false;
}

bool IsBlackKey(int32_t pitch)
{
    const int32_t n = ((pitch % 12) + 12) % 12;
    return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

} // namespace

CNoteView::CNoteView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "NoteView", x, y, width, height, true), editor(*editor), editing(*editor),
      wheel(std::make_unique<CWheelScroll>(Window(), [this](int32_t notches) { SetFirstRow(firstRow + notches * kWheelRows); }))
{
    SetFont(CreateFont(nullptr, kDefaultFontFace, kDefaultFontPoints, true), true);
    shownNamed = !editor->HasNamedKeys();
    Rebuild();
}

void CNoteView::Rebuild()
{
    const bool named = editor.HasNamedKeys();
    if (named != shownNamed) {
        shownNamed = named;
        // Around middle C, where most parts are written.
        firstRow = named ? 0 : RowOfKey(72) - 4;
    }
    firstRow = std::clamp(firstRow, 0, std::max(0, KeyCount() - VisibleRows() + 1));
    Redraw();
}

CNoteView::~CNoteView() = default;

int32_t CNoteView::KeyCount() const
{
    return editor.GetKeyCount();
}

int32_t CNoteView::VisibleRows() const
{
    return (Height() + kRowHeight - 1) / kRowHeight;
}

int32_t CNoteView::KeyOfRow(int32_t row) const
{
    return editor.HasNamedKeys() ? row : kHighestPitch - row;
}

int32_t CNoteView::RowOfKey(int32_t key) const
{
    return editor.HasNamedKeys() ? key : kHighestPitch - key;
}

int32_t CNoteView::TickAt(int32_t px) const
{
    // Left of the grid counts as its first visible tick.
    const int32_t gx = std::max(0, px - kLabelWidth);
    return firstColumn * 4 + gx / kTickWidth;
}

int32_t CNoteView::RowAt(int32_t py) const
{
    return firstRow + (py >= 0 ? py / kRowHeight : -1);
}

void CNoteView::SetEditMode(bool edit)
{
    editMode = edit;
    mouseMode = edit ? kEditIdle : kSelectIdle;
    dragging = false;
    hovered = nullptr;
    SetPointer(mouseMode);
    Redraw();
}

void CNoteView::SetFirstColumn(int32_t column)
{
    column = std::max(0, column);
    if (column == firstColumn)
        return;
    firstColumn = column;
    Redraw();
}

void CNoteView::SetFirstRow(int32_t row)
{
    row = std::clamp(row, 0, std::max(0, KeyCount() - VisibleRows() + 1));
    if (row == firstRow)
        return;
    firstRow = row;
    Redraw();
}

bool CNoteView::GetSelection(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const
{
    if (selTick1 < 0 || !editing.HasSelection())
        return false;
    left = std::min(selTick1, selTick2);
    right = std::max(selTick1, selTick2);
    top = std::min(selRow1, selRow2);
    bottom = std::max(selRow1, selRow2);
    return true;
}

CNoteView::Box CNoteView::NoteBox(const PatternNote* note) const
{
    const Pattern* pattern = editor.GetCurrentPattern();
    const int32_t ticks = pattern ? pattern->GetTickCount() : 0;
    const int32_t row = std::clamp(RowOfKey(note->pitch), 0, std::max(0, KeyCount() - 1));
    const int32_t start = std::clamp(note->start, 0, std::max(0, ticks - 1));
    const int32_t end = std::clamp(note->End(), start + 1, std::max(start + 1, ticks));
    Box box{};
    box.x = kLabelWidth + (start - firstColumn * 4) * kTickWidth;
    box.w = (end - start) * kTickWidth;
    box.y = (row - firstRow) * kRowHeight;
    box.h = kRowHeight;
    box.visible = box.x + box.w > kLabelWidth && box.x < Width() && box.y + box.h > 0 && box.y < Height();
    return box;
}

PatternNote* CNoteView::NoteAt(int32_t px, int32_t py) const
{
    const Pattern* pattern = editor.GetCurrentPattern();
    if (!pattern || px < kLabelWidth)
        return nullptr;
    PatternNote* found = nullptr;
    for (PatternNote* note = pattern->FirstNote(); note; note = note->NextNode()) {
        Box box = NoteBox(note);
        // The last drawn is the one on top.
        if (px >= box.x && px < box.x + box.w && py >= box.y && py < box.y + box.h)
            found = note;
    }
    return found;
}

void CNoteView::Render(CDrawContext& dc)
{
    const int32_t w = Width();
    const int32_t h = Height();
    {
        // What the display thread's cursor refresh places the cursors by.
        CLockGuard<CHostMutex> lock(*this);
        cursorColumn = firstColumn;
        cursorWidth = w;
        cursorHeight = h;
    }
    dc.FillRect(0, 0, w, h, kBackground);
    const Pattern* pattern = editor.GetCurrentPattern();
    const bool named = editor.HasNamedKeys();
    const int32_t keys = KeyCount();
    const int32_t ticks = pattern ? pattern->GetTickCount() : 0;
    const int32_t endX = kLabelWidth + (ticks - firstColumn * 4) * kTickWidth;
    CMachine* machine = pattern && pattern->GetTarget() ? pattern->GetTarget()->GetPort()->owner : nullptr;

    const int32_t textTop = (kRowHeight - QFontMetrics(dc.Painter().font()).height()) / 2;
    // Rows: shading of black keys (or odd named keys), then the labels.
    for (int32_t r = 0; r * kRowHeight < h; ++r) {
        const int32_t row = firstRow + r;
        const int32_t y = r * kRowHeight;
        if (row >= keys) {
            dc.FillRect(0, y, w, h - y, kBeyondEnd);
            break;
        }
        const int32_t key = KeyOfRow(row);
        const bool shaded = named ? (row % 2) == 1 : IsBlackKey(key);
        if (shaded)
            dc.FillRect(kLabelWidth, y, w - kLabelWidth, kRowHeight, kBlackKeyRow);
        char label[kMachineTextSize] = {};
        if (named && machine) {
            machine->GetParameterLabel(key, label);
            label[kMachineTextSize - 1] = '\0';
        } else if (!named) {
            std::snprintf(label, sizeof label, "%s-%i", kNoteNames[key % 12], key / 12);
        }
        dc.FillRect(0, y, kLabelWidth, kRowHeight, shaded ? kBlackKeyBack : kWhiteKeyBack);
        if (dc.Colors()) {
            CLockGuard<CColorManager> lock(*dc.Colors());
            dc.Painter().setPen(*dc.Colors()->GetPen(shaded ? kBlackKeyText : kWhiteKeyText));
        }
        texts.Draw(dc.Painter(), 4, y + textTop, label, kLabelWidth - 6);
        dc.Line(kLabelWidth, y + kRowHeight - 1, w - 1, y + kRowHeight - 1, kUnitLine);
    }
    const int32_t gridBottom = std::min(h, (keys - firstRow) * kRowHeight);
    // Tick lines, stronger at every length unit; nothing past the end.
    for (int32_t t = 0;; ++t) {
        const int32_t x = kLabelWidth + t * kTickWidth;
        if (x >= w || x >= endX)
            break;
        dc.Line(x, 0, x, gridBottom - 1, t % 4 == 0 ? kUnitLine : kTickLine);
    }
    if (endX < w)
        dc.FillRect(std::max(kLabelWidth, endX), 0, w - std::max(kLabelWidth, endX), h, kBeyondEnd);

    int32_t left = 0, top = 0, right = 0, bottom = 0;
    const bool selection = GetSelection(left, top, right, bottom);
    bool hoveredFound = false;
    if (pattern) {
        dc.Painter().setClipRect(kLabelWidth, 0, w - kLabelWidth, h);
        for (PatternNote* note = pattern->FirstNote(); note; note = note->NextNode()) {
            hoveredFound = hoveredFound || note == hovered;
            Box box = NoteBox(note);
            if (!box.visible)
                continue;
            const bool lit = note == hovered || (selection && editing.IsSelected(note));
            dc.FillRect(box.x, box.y, box.w, box.h, lit ? kNoteHighlight : kNoteFill);
            dc.Line(box.x, box.y, box.x + box.w - 1, box.y, kFrameLight);
            dc.Line(box.x, box.y, box.x, box.y + box.h - 1, kFrameLight);
            dc.Line(box.x, box.y + box.h - 1, box.x + box.w - 1, box.y + box.h - 1, kFrameShadow);
            dc.Line(box.x + box.w - 1, box.y, box.x + box.w - 1, box.y + box.h - 1, kFrameShadow);
        }
        if (selection) {
            const int32_t sx = kLabelWidth + (left - firstColumn * 4) * kTickWidth;
            const int32_t sy = (top - firstRow) * kRowHeight;
            const int32_t sw = (right - left + 1) * kTickWidth;
            const int32_t sh = (bottom - top + 1) * kRowHeight;
            dc.Line(sx, sy, sx + sw - 1, sy, kSelectionFrame);
            dc.Line(sx, sy + sh - 1, sx + sw - 1, sy + sh - 1, kSelectionFrame);
            dc.Line(sx, sy, sx, sy + sh - 1, kSelectionFrame);
            dc.Line(sx + sw - 1, sy, sx + sw - 1, sy + sh - 1, kSelectionFrame);
        }
        dc.Painter().setClipping(false);
    }
    // The hovered note may have gone with an edit made elsewhere.
    if (!hoveredFound) {
        hovered = nullptr;
        if (mouseMode >= kMove && mouseMode <= kResizeEnd && !dragging)
            mouseMode = kEditIdle;
    }
}

int32_t CNoteView::CursorX(double ticks) const
{
    if (ticks < 0.0)
        return -1;
    const double x = kLabelWidth + (ticks - cursorColumn * 4) * kTickWidth;
    if (x < kLabelWidth || x >= cursorWidth)
        return -1;
    return static_cast<int32_t>(x);
}

void CNoteView::Paint(CDrawContext& dc)
{
    CControl::Paint(dc);
    CLockGuard<CHostMutex> lock(*this);
    QPainter& painter = dc.Painter();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (double cursor : {playCursor, songCursor}) {
        const int32_t x = CursorX(cursor);
        if (x >= 0)
            painter.fillRect(x, 0, 2, cursorHeight, Qt::white);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CNoteView::PresentCursor(double ticks)
{
    const int32_t x = CursorX(ticks);
    if (x >= 0)
        Present(x, 0, 2, cursorHeight);
}

void CNoteView::RefreshCursors()
{
    CLockGuard<CHostMutex> lock(*this);
    const double play = editor.PlayCursor();
    const double song = editor.SongCursor();
    if (std::fabs(play - playCursor) > 1e-6) {
        PresentCursor(playCursor);
        playCursor = play;
        PresentCursor(playCursor);
    }
    if (std::fabs(song - songCursor) > 1e-6) {
        PresentCursor(songCursor);
        songCursor = song;
        PresentCursor(songCursor);
    }
}

void CNoteView::SetPointer(int32_t mode)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (mode) {
    case kMove:
        shape = Qt::SizeAllCursor;
        break;
    case kResizeStart:
    case kResizeEnd:
    case kDragLeft:
    case kDragRight:
        shape = Qt::SizeHorCursor;
        break;
    case kDragTop:
    case kDragBottom:
        shape = Qt::SizeVerCursor;
        break;
    case kDragTopLeft:
    case kDragBottomRight:
        shape = Qt::SizeFDiagCursor;
        break;
    case kDragTopRight:
    case kDragBottomLeft:
        shape = Qt::SizeBDiagCursor;
        break;
    default:
        break;
    }
    if (Window())
        Window()->setCursor(shape);
}

void CNoteView::Changed()
{
    Redraw();
    if (edited)
        edited();
}

void CNoteView::UpdateHover(int32_t px, int32_t py)
{
    PatternNote* note = NoteAt(px, py);
    int32_t mode = kEditIdle;
    if (note) {
        Box box = NoteBox(note);
        if (px - box.x < 4)
            mode = kResizeStart;
        else if (box.x + box.w - px <= 7)
            mode = kResizeEnd;
        else
            mode = kMove;
    } else if (editing.HasSelection()) {
        editing.Deselect();
        selTick1 = -1;
        hovered = nullptr;
        mouseMode = kEditIdle;
        SetPointer(mouseMode);
        Redraw();
        return;
    }
    const bool redraw = note != hovered;
    hovered = note;
    mouseMode = mode;
    SetPointer(mode);
    if (redraw)
        Redraw();
}

int32_t CNoteView::EdgeAt(int32_t px, int32_t py) const
{
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    if (!GetSelection(left, top, right, bottom))
        return kSelectIdle;
    const int32_t x0 = kLabelWidth + (left - firstColumn * 4) * kTickWidth;
    const int32_t x1 = kLabelWidth + (right + 1 - firstColumn * 4) * kTickWidth;
    const int32_t y0 = (top - firstRow) * kRowHeight;
    const int32_t y1 = (bottom + 1 - firstRow) * kRowHeight;
    const bool insideX = px >= x0 - kEdgeGrip && px <= x1 + kEdgeGrip;
    const bool insideY = py >= y0 - kEdgeGrip && py <= y1 + kEdgeGrip;
    const bool atLeft = std::abs(px - x0) <= kEdgeGrip && insideY;
    const bool atRight = std::abs(px - x1) <= kEdgeGrip && insideY;
    const bool atTop = std::abs(py - y0) <= kEdgeGrip && insideX;
    const bool atBottom = std::abs(py - y1) <= kEdgeGrip && insideX;
    if (atTop && atLeft)
        return kDragTopLeft;
    if (atTop && atRight)
        return kDragTopRight;
    if (atBottom && atLeft)
        return kDragBottomLeft;
    if (atBottom && atRight)
        return kDragBottomRight;
    if (atLeft)
        return kDragLeft;
    if (atRight)
        return kDragRight;
    if (atTop)
        return kDragTop;
    if (atBottom)
        return kDragBottom;
    return kSelectIdle;
}

void CNoteView::ApplySelectionDrag(int32_t tick, int32_t row)
{
    // Corner 1 holds the left and top edges, corner 2 the right and bottom
    // ones (the corners are ordered when a drag ends).
    const bool moveLeft = mouseMode == kDragLeft || mouseMode == kDragTopLeft || mouseMode == kDragBottomLeft;
    const bool moveRight = mouseMode == kDragRight || mouseMode == kDragTopRight || mouseMode == kDragBottomRight ||
                           mouseMode == kRubberBand;
    const bool moveTop = mouseMode == kDragTop || mouseMode == kDragTopLeft || mouseMode == kDragTopRight;
    const bool moveBottom = mouseMode == kDragBottom || mouseMode == kDragBottomLeft ||
                            mouseMode == kDragBottomRight || mouseMode == kRubberBand;
    if (moveLeft)
        selTick1 = tick;
    if (moveRight)
        selTick2 = tick;
    if (moveTop)
        selRow1 = row;
    if (moveBottom)
        selRow2 = row;
    editing.Select(selTick1, selRow1, selTick2, selRow2);
}

void CNoteView::CommitSelection()
{
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    if (GetSelection(left, top, right, bottom)) {
        selTick1 = left;
        selRow1 = top;
        selTick2 = right;
        selRow2 = bottom;
    }
}

void CNoteView::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    if (!editor.GetCurrentPattern())
        return;
    const int32_t tick = TickAt(px);
    const int32_t row = std::clamp(RowAt(py), 0, KeyCount());
    if (editMode) {
        if (mouseMode == kEditIdle) {
            if (px < kLabelWidth || row >= KeyCount())
                return;
            PatternNote* note = editing.AddNoteAt(tick, KeyOfRow(row));
            if (!note)
                return;
            hovered = note;
            mouseMode = kResizeEnd;
            SetPointer(mouseMode);
        } else if (!Holds(editor.GetCurrentPattern(), hovered)) {
            // The note went with a change made elsewhere.
            hovered = nullptr;
            mouseMode = kEditIdle;
            return;
        }
        editing.BeginDrag(hovered, static_cast<CNoteEditing::DragMode>(mouseMode));
        dragging = true;
        pressX = px;
        pressY = py;
        SetCapture();
        Changed();
        return;
    }
    const int32_t edge = EdgeAt(px, py);
    if (edge != kSelectIdle) {
        mouseMode = edge;
    } else {
        mouseMode = kRubberBand;
        selTick1 = selTick2 = tick;
        selRow1 = selRow2 = row;
        editing.Select(tick, row, tick, row);
    }
    dragging = true;
    SetCapture();
    Redraw();
}

void CNoteView::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (dragging) {
        if (editMode) {
            if (editing.DragBy((px - pressX) / kTickWidth, (py - pressY) / kRowHeight))
                Changed();
        } else {
            ApplySelectionDrag(TickAt(px), std::clamp(RowAt(py), 0, KeyCount()));
            Redraw();
        }
        return;
    }
    if (editMode)
        UpdateHover(px, py);
    else
        SetPointer(EdgeAt(px, py));
}

void CNoteView::LeftButtonUp(int32_t px, int32_t py, uint32_t)
{
    if (!dragging)
        return;
    dragging = false;
    ReleaseCapture();
    if (editMode) {
        UpdateHover(px, py);
    } else {
        CommitSelection();
        mouseMode = kSelectIdle;
        SetPointer(EdgeAt(px, py));
        Redraw();
    }
}

void CNoteView::CaptureLost()
{
    if (!dragging)
        return;
    dragging = false;
    if (!editMode) {
        CommitSelection();
        mouseMode = kSelectIdle;
    }
}

void CNoteView::RightButtonDown(int32_t px, int32_t py, uint32_t)
{
    if (!editor.GetCurrentPattern() || dragging)
        return;
    if (editMode) {
        if (PatternNote* note = NoteAt(px, py)) {
            if (note == hovered) {
                hovered = nullptr;
                mouseMode = kEditIdle;
                SetPointer(mouseMode);
            }
            editing.RemoveNote(note);
            Changed();
        }
        return;
    }
    const int32_t tick = TickAt(px);
    const int32_t row = std::clamp(RowAt(py), 0, KeyCount());
    const int32_t item = TrackMenu(px, py, editing.HasSelection(), editing.CanPaste());
    switch (item) {
    case kCut:
        editing.Cut();
        break;
    case kCopy:
        editing.Copy();
        return;
    case kPaste:
        if (editing.Paste(tick, KeyOfRow(row)) == 0)
            return;
        break;
    case kDelete:
        editing.Delete();
        break;
    case kDeselect:
        editing.Deselect();
        break;
    default:
        return;
    }
    selTick1 = selRow1 = selTick2 = selRow2 = -1;
    Changed();
}

int32_t CNoteView::TrackMenu(int32_t px, int32_t py, bool haveSelection, bool canPaste)
{
    QMenu menu(Window());
    const struct {
        const char* text;
        int32_t id;
        bool enabled;
    } items[] = {{"Cut", kCut, haveSelection},
                 {"Copy", kCopy, haveSelection},
                 {"Paste", kPaste, canPaste},
                 {"Delete", kDelete, haveSelection},
                 {"Deselect", kDeselect, haveSelection}};
    for (const auto& item : items) {
        QAction* action = menu.addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
    QAction* chosen = menu.exec(Window()->mapToGlobal(QPoint(px, py)));
    return chosen ? chosen->data().toInt() : 0;
}
