#pragma once
#include "ui/CControl.h"

// A plain framed panel (frame style 0 plain, 1 raised, 2 sunken); option
// pages derive from it.
class CFrame : public CControl {
public:
    CFrame(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t style = 1);
};
