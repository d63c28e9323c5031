#include "ui/CLiteKnob.h"
#include "ui/CLiteContainer.h"
#include "ui/CPicture.h"
#include <algorithm>

CLiteKnob::CLiteKnob(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height,
                     const CPicture* strip, CMachine* machine, int32_t parameter)
    : CLiteControl(container, x, y, width, height), strip(strip),
      frames(strip && height > 0 ? strip->height / height : 0), binding(machine, parameter)
{
    if (binding.IsBound())
        value = binding.Read();
    Redraw();
}

int32_t CLiteKnob::Frame() const
{
    if (frames < 1)
        return 0;
    return std::clamp(static_cast<int32_t>((frames - 1) * value), 0, frames - 1);
}

void CLiteKnob::Draw(CPicture& target)
{
    if (strip && frames > 0)
        target.Blit(*strip, 0, Frame() * height, width, height, x, y);
}

void CLiteKnob::SetValue(double newValue)
{
    int32_t oldFrame;
    {
        ContainerLock lock(*this);
        oldFrame = Frame();
        value = std::clamp(newValue, 0.0, 1.0);
    }
    // Only a new frame changes the picture.
    if (Frame() != oldFrame)
        Redraw();
}

void CLiteKnob::Refresh()
{
    if (binding.IsBound())
        SetValue(binding.Read());
}

void CLiteKnob::LeftButtonDown(int32_t, int32_t py, uint32_t)
{
    dragY = py;
    dragValue = value;
    if (container)
        container->Capture(this);
    binding.ShowTip(this, value);
}

void CLiteKnob::MouseMove(int32_t, int32_t py, uint32_t)
{
    if (!container || container->CapturedChild() != this || frames < 2)
        return;
    int32_t frame = static_cast<int32_t>((double(dragY - py) / kDragPixels + dragValue) * (frames - 1));
    frame = std::clamp(frame, 0, frames - 1);
    // Compared by frame, not by value: a value between frames (set by the
    // machine) must not jump to a frame when the knob is merely clicked.
    if (frame == Frame())
        return;
    double newValue = double(frame) / (frames - 1);
    binding.Apply(this, newValue, value);
    Redraw();
}

void CLiteKnob::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    if (!container)
        return;
    container->Release(this);
    container->HideValueTip(this);
}
