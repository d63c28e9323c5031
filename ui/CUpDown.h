#pragma once
#include "ui/CControl.h"

class QSpinBox;

// A number field with step arrows (Qt's spin box, whose arrows repeat on
// its own timer while held). The user's changes reach UpDownChanged.
class CUpDown : public CControl {
public:
    CUpDown(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum, int32_t maximum,
            int32_t value);

    int32_t GetValue() const;
    // Sets the value (clamped to the range) without reporting it.
    void SetValue(int32_t value);
    void SetRange(int32_t minimum, int32_t maximum);

private:
    QSpinBox* spin;
};
