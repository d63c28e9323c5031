#pragma once
#include "ui/CLiteControl.h"
#include "ui/ParameterBinding.h"

class CMachine;
class CPicture;

// A knob drawn from a film strip: frames of the knob's height stacked
// vertically. Dragging 100 pixels up turns it through the whole range; a
// dragged value sits on a frame. Bound to a machine parameter it reads it on
// creation and automates it while dragged, showing "<name> <value>".
class CLiteKnob : public CLiteControl {
public:
    static constexpr int32_t kDragPixels = 100;

    CLiteKnob(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height, const CPicture* strip,
              CMachine* machine = nullptr, int32_t parameter = -1);

    void Draw(CPicture& target) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

    int32_t FrameCount() const { return frames; }
    int32_t Frame() const;
    double GetValue() const { return value; }
    // Shows a value set elsewhere (not reported to the machine).
    void SetValue(double newValue);
    // Reads the bound parameter again (after a program change).
    void Refresh();

private:
    const CPicture* strip;
    int32_t frames;
    double value = 0.5;
    CParameterBinding binding;
    int32_t dragY = 0;
    double dragValue = 0.0;
};
