#pragma once
#include "ui/CControl.h"

class QScrollBar;

// A scroll bar (Qt's, whose arrows repeat on its own timer while held). The
// user's moves reach the parent's HorizontalScroll or VerticalScroll.
class CScrollBar : public CControl {
public:
    CScrollBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical);

    void SetRange(int32_t minimum, int32_t maximum, int32_t page);
    int32_t GetPosition() const;
    // Sets the position without reporting it.
    void SetPosition(int32_t position);
    bool IsVertical() const { return vertical; }

private:
    QScrollBar* bar;
    bool vertical;
};
