#include "ui/CKnob.h"
#include <QDial>

CKnob::CKnob(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CRangeControl(parent, "Knob", x, y, width, height, new QDial)
{
}
