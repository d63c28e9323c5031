#pragma once
#include "ui/CControl.h"

class QAbstractSlider;

// A windowed control over the values 0 ... 1 (slider, knob). The user's
// moves call ValueChanged, which subclasses (volume sliders) implement.
class CRangeControl : public CControl {
public:
    static constexpr int kSteps = 1000;

    double GetValue() const;
    // Sets the position without calling ValueChanged.
    void SetValue(double value);
    virtual void ValueChanged(double value);

protected:
    CRangeControl(CControl* parent, const char* className, int32_t x, int32_t y, int32_t width, int32_t height,
                  QAbstractSlider* widget);

private:
    QAbstractSlider* range;
};
