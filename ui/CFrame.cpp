#include "ui/CFrame.h"

CFrame::CFrame(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t style)
    : CControl(parent, "Frame", x, y, width, height)
{
    SetFrame(true, style);
}
