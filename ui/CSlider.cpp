#include "ui/CSlider.h"
#include <QSlider>

CSlider::CSlider(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical)
    : CRangeControl(parent, "Slider", x, y, width, height, new QSlider(vertical ? Qt::Vertical : Qt::Horizontal))
{
}
