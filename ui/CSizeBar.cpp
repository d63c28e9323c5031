#include "ui/CSizeBar.h"
#include <QWidget>

CSizeBar::CSizeBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical)
    : CControl(parent, "SizeBar", x, y, width, height), vertical(vertical)
{
    Window()->setCursor(vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    SetFrame(true, 1);
}

// The pointer in the parent's coordinates: the bar itself moves while dragged.
int32_t CSizeBar::Across(int32_t px, int32_t py) const
{
    return vertical ? X() + px : Y() + py;
}

void CSizeBar::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    start = Across(px, py);
    SetCapture();
}

void CSizeBar::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (HasCapture() && Parent())
        Parent()->SizeBarMoved(Across(px, py) - start);
}

void CSizeBar::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    ReleaseCapture();
}
