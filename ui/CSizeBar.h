#pragma once
#include "ui/CControl.h"

// A draggable divider between two panes. While dragged it reports the
// movement since the press (pixels, across the bar) to SizeBarMoved.
class CSizeBar : public CControl {
public:
    // A vertical bar divides left from right and moves horizontally.
    CSizeBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical);

    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

private:
    int32_t Across(int32_t px, int32_t py) const;

    bool vertical;
    int32_t start = 0;
};
