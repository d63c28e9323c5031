#pragma once
#include "ui/CControl.h"
#include <string>

// Static text in the control's font, text colour (number, default 4) on its
// background colour (default 2) or background picture.
class CLabel : public CControl {
public:
    CLabel(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
           bool multiLine = false);

    void SetText(const char* text);
    const std::string& Text() const { return text; }
    void SetTextColor(int32_t number);
    void Paint(CDrawContext& dc) override;

private:
    std::string text;
    int32_t textColor = 4;
    bool multiLine;
};
