#include "sequencer/view/CSequenceView.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "framework/CPort.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/WheelScroll.h"
#include "sequencer/view/TextCache.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/CScrollBar.h"
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <string>

namespace {

enum : int32_t {
    kBackground = 8,
    kSelectedBack = 2,
    kRowBack = 3,
    kSelectedText = 4,
    kRowText = 5,
    kGridLine = 23,
    kUnitLine = 7,
    kFrameLight = 25,
    kFrameShadow = 26,
    kEntryFill = 27,
    kEntryHighlight = 28,
    kEntryText = 29,
    kBeyondEnd = 0,
};

// A raised box: fill, light top and left edges, dark bottom and right.
void DrawBox(CDrawContext& dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t fill)
{
    QPainter& painter = dc.Painter();
    CColorManager* colors = dc.Colors();
    if (!colors) {
        dc.FillRect(x, y, w, h, fill);
        return;
    }
    CLockGuard<CColorManager> lock(*colors);
    painter.fillRect(x, y, w, h, *colors->GetBrush(fill));
    const QLine light[2] = {{x, y, x + w - 1, y}, {x, y, x, y + h - 1}};
    const QLine dark[2] = {{x, y + h - 1, x + w - 1, y + h - 1}, {x + w - 1, y, x + w - 1, y + h - 1}};
    painter.setPen(*colors->GetPen(kFrameLight));
    painter.drawLines(light, 2);
    painter.setPen(*colors->GetPen(kFrameShadow));
    painter.drawLines(dark, 2);
}

void SetPen(CDrawContext& dc, int32_t number)
{
    if (!dc.Colors()) {
        dc.Painter().setPen(Qt::black);
        return;
    }
    CLockGuard<CColorManager> lock(*dc.Colors());
    dc.Painter().setPen(*dc.Colors()->GetPen(number));
}

std::string RowLabel(const SequenceTrack* track)
{
    CConnector* port = track->GetPort();
    const char* portName = port->GetPort()->name;
    return std::string(port->GetContainer()->GetName()) + "." + (portName ? portName : "");
}

} // namespace

CSequenceView::CSequenceView(CControl* parent, CSequenceEditor* editor, int32_t x, int32_t y, int32_t width,
                             int32_t height)
    : CControl(parent, "SequenceView", x, y, width, height, true), editor(*editor),
      horizontal(new CScrollBar(this, 0, height - kBarSize, width - kBarSize, kBarSize, false)),
      vertical(new CScrollBar(this, width - kBarSize, 0, kBarSize, height - kBarSize, true)),
      wheel(std::make_unique<CWheelScroll>(Window(), [this](int32_t notches) { SetFirstRow(firstRow + notches * 3); }))
{
    horizontal->Show(kShow);
    vertical->Show(kShow);
    Rebuild();
}

CSequenceView::~CSequenceView()
{
    wheel.reset();
    delete horizontal;
    delete vertical;
}

void CSequenceView::UpdateScrollBars()
{
    const int32_t columns = std::max(1, (GridWidth() - kLabelWidth) / kUnitWidth);
    const int32_t rows = std::max(1, GridHeight() / kRowHeight);
    const int32_t length = editor.GetSequenceLength();
    const int32_t tracks = editor.GetSequence().GetTrackCount();
    firstColumn = std::clamp(firstColumn, 0, std::max(0, length - columns));
    firstRow = std::clamp(firstRow, 0, std::max(0, tracks - rows));
    horizontal->SetRange(0, std::max(0, length - columns), columns);
    horizontal->SetPosition(firstColumn);
    vertical->SetRange(0, std::max(0, tracks - rows), rows);
    vertical->SetPosition(firstRow);
}

void CSequenceView::Rebuild()
{
    if (hotEntry && !StillThere(hotRow, hotEntry)) {
        hotEntry = nullptr;
        dragState = 0;
    }
    UpdateScrollBars();
    Redraw();
}

void CSequenceView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    horizontal->Move(0, newHeight - kBarSize, newWidth - kBarSize, kBarSize);
    vertical->Move(newWidth - kBarSize, 0, kBarSize, newHeight - kBarSize);
    UpdateScrollBars();
    Redraw();
}

void CSequenceView::SetFirstColumn(int32_t column)
{
    firstColumn = column;
    UpdateScrollBars();
    Redraw();
}

void CSequenceView::SetFirstRow(int32_t row)
{
    firstRow = row;
    UpdateScrollBars();
    Redraw();
}

void CSequenceView::HorizontalScroll(int32_t position)
{
    SetFirstColumn(position);
}

void CSequenceView::VerticalScroll(int32_t position)
{
    SetFirstRow(position);
}

void CSequenceView::Render(CDrawContext& dc)
{
    const int32_t w = GridWidth();
    const int32_t h = GridHeight();
    {
        // What the display thread's cursor refresh places the cursor by.
        CLockGuard<CMutex> lock(cursorLock);
        cursorColumn = firstColumn;
        cursorWidth = w;
        cursorHeight = h;
    }
    dc.FillRect(0, 0, Width(), Height(), kBackground);
    const Sequence& sequence = editor.GetSequence();
    const int32_t length = sequence.GetLength();
    const int32_t endX = kLabelWidth + (length - firstColumn) * kUnitWidth;
    for (int32_t u = firstColumn; u < length; ++u) {
        const int32_t x = kLabelWidth + (u - firstColumn) * kUnitWidth;
        if (x >= w)
            break;
        dc.Line(x, 0, x, h - 1, u % 4 == 0 ? kGridLine : kUnitLine);
    }
    if (endX < w)
        dc.FillRect(endX, 0, w - endX, h, kBeyondEnd);
    const int32_t selected = editor.GetSelectedRow();
    QPainter& painter = dc.Painter();
    const int32_t textTop = (kRowHeight - QFontMetrics(painter.font()).height()) / 2;
    const int32_t lastRow = std::min(sequence.GetTrackCount(), firstRow + (h + kRowHeight - 1) / kRowHeight);
    // Entries first, clipped to the grid; the labels go over their left ends.
    painter.setClipRect(kLabelWidth, 0, w - kLabelWidth, h);
    for (int32_t row = firstRow; row < lastRow; ++row) {
        const int32_t y = (row - firstRow) * kRowHeight;
        const SequenceTrack* track = sequence.GetTrack(row);
        dc.Line(kLabelWidth, y + kRowHeight - 1, w - 1, y + kRowHeight - 1, kGridLine);
        for (int32_t i = 0; i < track->GetEntryCount(); ++i) {
            const SequenceEntry* entry = track->GetEntry(i);
            const int32_t x = kLabelWidth + (entry->start - firstColumn) * kUnitWidth;
            const int32_t bw = entry->pattern->GetLength() * kUnitWidth;
            if (x >= w || x + bw <= kLabelWidth)
                continue;
            DrawBox(dc, x, y, bw, kRowHeight, entry == hotEntry ? kEntryHighlight : kEntryFill);
            SetPen(dc, kEntryText);
            texts.Draw(painter, x + 3, y + textTop, entry->pattern->GetName(), bw - 5);
        }
    }
    painter.setClipRect(0, 0, w, h);
    for (int32_t row = firstRow; row < lastRow; ++row) {
        const int32_t y = (row - firstRow) * kRowHeight;
        const bool isSelected = row == selected;
        dc.FillRect(0, y, kLabelWidth, kRowHeight, isSelected ? kSelectedBack : kRowBack);
        SetPen(dc, isSelected ? kSelectedText : kRowText);
        texts.Draw(painter, 4, y + textTop, RowLabel(sequence.GetTrack(row)), kLabelWidth - 6);
    }
    dc.Painter().setClipping(false);
    // The corner between the scroll bars.
    dc.FillRect(w, h, kBarSize, kBarSize, kRowBack);
}

int32_t CSequenceView::CursorX(double ticks) const
{
    if (ticks < 0.0)
        return -1;
    const double x = kLabelWidth + (ticks / 4.0 - cursorColumn) * kUnitWidth;
    if (x < kLabelWidth || x >= cursorWidth)
        return -1;
    return static_cast<int32_t>(x);
}

void CSequenceView::Paint(CDrawContext& dc)
{
    CControl::Paint(dc);
    CLockGuard<CMutex> lock(cursorLock);
    const int32_t x = CursorX(songCursor);
    if (x < 0)
        return;
    QPainter& painter = dc.Painter();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(x, 0, 2, cursorHeight, Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CSequenceView::PresentCursor(double ticks)
{
    const int32_t x = CursorX(ticks);
    if (x >= 0)
        Present(x, 0, 2, cursorHeight);
}

void CSequenceView::RefreshCursor()
{
    const double position = editor.SongCursor();
    CLockGuard<CMutex> lock(cursorLock);
    if (std::fabs(position - songCursor) <= 0.001)
        return;
    PresentCursor(songCursor);
    songCursor = position;
    PresentCursor(songCursor);
}

SequenceEntry* CSequenceView::EntryAt(int32_t px, int32_t py, int32_t& row) const
{
    row = -1;
    if (px < kLabelWidth || px >= GridWidth() || py < 0 || py >= GridHeight())
        return nullptr;
    const Sequence& sequence = editor.GetSequence();
    row = firstRow + py / kRowHeight;
    if (row >= sequence.GetTrackCount())
        return nullptr;
    const int32_t unit = firstColumn + (px - kLabelWidth) / kUnitWidth;
    const SequenceTrack* track = sequence.GetTrack(row);
    for (int32_t i = 0; i < track->GetEntryCount(); ++i) {
        SequenceEntry* entry = track->GetEntry(i);
        if (unit >= entry->start && unit < entry->End())
            return entry;
    }
    return nullptr;
}

bool CSequenceView::StillThere(int32_t row, const SequenceEntry* entry) const
{
    const Sequence& sequence = editor.GetSequence();
    if (row < 0 || row >= sequence.GetTrackCount())
        return false;
    const SequenceTrack* track = sequence.GetTrack(row);
    for (int32_t i = 0; i < track->GetEntryCount(); ++i) {
        if (track->GetEntry(i) == entry)
            return true;
    }
    return false;
}

void CSequenceView::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (dragState == 2) {
        if (!StillThere(hotRow, hotEntry)) {
            dragState = 0;
            hotEntry = nullptr;
            ReleaseCapture();
            return;
        }
        if (editor.MoveEntry(hotRow, hotEntry, startAtDrag + (px - pressX) / kUnitWidth))
            Redraw();
        return;
    }
    int32_t row = -1;
    SequenceEntry* entry = EntryAt(px, py, row);
    if (entry && entry != hotEntry) {
        hotEntry = entry;
        hotRow = row;
        dragState = 1;
        Window()->setCursor(Qt::SizeHorCursor);
        SetCapture();
        Redraw();
    } else if (!entry && hotEntry) {
        ReleaseCapture();
        CaptureLost();
    }
}

void CSequenceView::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    if (dragState == 1 && hotEntry && StillThere(hotRow, hotEntry)) {
        dragState = 2;
        startAtDrag = hotEntry->start;
        pressX = px;
        Redraw();
        return;
    }
    if (py < 0 || py >= GridHeight() || px >= GridWidth())
        return;
    const int32_t row = firstRow + py / kRowHeight;
    if (px < kLabelWidth) {
        if (row < editor.GetSequence().GetTrackCount()) {
            editor.SelectRow(row);
            if (rowSelected)
                rowSelected();
            Redraw();
        }
        return;
    }
    const int32_t column = firstColumn + (px - kLabelWidth) / kUnitWidth;
    if (editor.PlaceAt(row, column))
        Redraw();
}

void CSequenceView::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    if (dragState == 2) {
        dragState = 1;
        Redraw();
    }
}

void CSequenceView::RightButtonDown(int32_t px, int32_t py, uint32_t)
{
    if (dragState == 2)
        return;
    int32_t row = -1;
    SequenceEntry* entry = EntryAt(px, py, row);
    if (!entry)
        return;
    if (entry == hotEntry) {
        hotEntry = nullptr;
        dragState = 0;
        ReleaseCapture();
    }
    editor.RemoveEntry(row, entry);
    Redraw();
}

void CSequenceView::CaptureLost()
{
    dragState = 0;
    if (hotEntry) {
        hotEntry = nullptr;
        if (Window())
            Window()->setCursor(Qt::ArrowCursor);
        Redraw();
    }
}
