#pragma once
#include "ui/CRangeControl.h"

// A windowed knob over 0 ... 1 (Qt's dial).
class CKnob : public CRangeControl {
public:
    CKnob(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);
};
