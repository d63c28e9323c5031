#include "ui/CRangeControl.h"
#include <QAbstractSlider>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

CRangeControl::CRangeControl(CControl* parent, const char* className, int32_t x, int32_t y, int32_t width,
                             int32_t height, QAbstractSlider* widget)
    : CControl(parent, className, x, y, width, height), range(widget)
{
    range->setRange(0, kSteps);
    SetContent(range);
    QObject::connect(range, &QAbstractSlider::valueChanged, [this](int position) { ValueChanged(double(position) / kSteps); });
}

double CRangeControl::GetValue() const
{
    return double(range->value()) / kSteps;
}

void CRangeControl::SetValue(double value)
{
    QSignalBlocker quiet(range);
    range->setValue(static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * kSteps)));
}

void CRangeControl::ValueChanged(double) {}
