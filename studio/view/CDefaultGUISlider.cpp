#include "studio/view/CDefaultGUISlider.h"
#include "studio/view/CDefaultGUI.h"

CDefaultGUISlider::CDefaultGUISlider(CDefaultGUI* editor, int32_t x, int32_t y)
    : CSlider(editor, x, y, kWidth, kHeight), editor(editor)
{
}

void CDefaultGUISlider::ValueChanged(double value)
{
    if (index >= 0)
        editor->SliderMoved(this, value);
}
