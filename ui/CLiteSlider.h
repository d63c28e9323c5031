#pragma once
#include "ui/CLiteControl.h"
#include "ui/ParameterBinding.h"

class CMachine;
class CPicture;

// A slider of a thumb picture over an optional track picture. The value
// 0 ... 1 places the thumb at value × travel pixels (from the bottom when
// vertical). Only the thumb can be grabbed; a drag moves the value by
// movement ÷ travel. Bound to a parameter it automates it (with a value
// tip); otherwise it reports to the container's SliderValueChanged.
class CLiteSlider : public CLiteControl {
public:
    CLiteSlider(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height, const CPicture* thumb,
                const CPicture* track, bool vertical, int32_t travel, CMachine* machine = nullptr,
                int32_t parameter = -1);

    void Draw(CPicture& target) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

    double GetValue() const { return value; }
    // Shows a value set elsewhere (not reported).
    void SetValue(double newValue);
    void Refresh();
    // The thumb's top-left corner in container pixels.
    int32_t ThumbX() const;
    int32_t ThumbY() const;
    bool OnThumb(int32_t px, int32_t py) const;

private:
    const CPicture* thumb;
    const CPicture* track;
    bool vertical;
    int32_t travel;
    double value = 0.5;
    CParameterBinding binding;
    int32_t dragX = 0;
    int32_t dragY = 0;
    double dragValue = 0.0;
};
