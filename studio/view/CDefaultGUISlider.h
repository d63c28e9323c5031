#pragma once
#include "ui/CSlider.h"

class CDefaultGUI;

// One row's slider in a default editor (129 x 24); it stands for the
// parameter its row shows and reports the user's moves to the editor.
class CDefaultGUISlider : public CSlider {
public:
    static constexpr int32_t kWidth = 129;
    static constexpr int32_t kHeight = 24;

    CDefaultGUISlider(CDefaultGUI* editor, int32_t x, int32_t y);

    int32_t GetIndex() const { return index; }
    void SetIndex(int32_t parameter) { index = parameter; }
    void ValueChanged(double value) override;

private:
    CDefaultGUI* editor;
    int32_t index = -1;
};
