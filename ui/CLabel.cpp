#include "ui/CLabel.h"
#include "ui/CDrawContext.h"

CLabel::CLabel(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height, bool multiLine)
    : CControl(parent, "Label", x, y, width, height), text(text ? text : ""), multiLine(multiLine)
{
}

void CLabel::SetText(const char* newText)
{
    text = newText ? newText : "";
    Redraw();
}

void CLabel::SetTextColor(int32_t number)
{
    textColor = number;
    Redraw();
}

void CLabel::Paint(CDrawContext& dc)
{
    Render(dc);
    int flags = multiLine ? Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap : Qt::AlignLeft | Qt::AlignVCenter;
    dc.Text(0, 0, Width(), Height(), text.c_str(), textColor, flags);
}
