#pragma once
#include "ui/CControl.h"
#include <string>

class QPushButton;

// A push button; a click reaches the parent's ButtonCommand.
class CButton : public CControl {
public:
    CButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id = 0);

    int32_t Id() const { return id; }
    void SetText(const char* text);
    std::string Text() const;

private:
    QPushButton* button;
    int32_t id;
};
