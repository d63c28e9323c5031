#pragma once
#include <cstdint>

class CControl;
class QWidget;

// Asks the control for the colours of a native child (one of the colour
// messages) and gives them to the widget's palette.
void ApplyControlColors(CControl* control, QWidget* widget, uint32_t message);
