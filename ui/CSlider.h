#pragma once
#include "ui/CRangeControl.h"

// A windowed slider over 0 ... 1 (Qt's slider).
class CSlider : public CRangeControl {
public:
    CSlider(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical = false);
};
