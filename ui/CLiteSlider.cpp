#include "ui/CLiteSlider.h"
#include "ui/CLiteContainer.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>

CLiteSlider::CLiteSlider(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height,
                         const CPicture* thumb, const CPicture* track, bool vertical, int32_t travel,
                         CMachine* machine, int32_t parameter)
    : CLiteControl(container, x, y, width, height), thumb(thumb), track(track), vertical(vertical),
      travel(std::max(travel, 1)), binding(machine, parameter)
{
    if (binding.IsBound())
        value = binding.Read();
    Redraw();
}

int32_t CLiteSlider::ThumbX() const
{
    int32_t thumbWidth = thumb ? thumb->width : 0;
    if (vertical)
        return x + (width - thumbWidth) / 2;
    return x + static_cast<int32_t>(std::lround(value * travel));
}

int32_t CLiteSlider::ThumbY() const
{
    int32_t thumbHeight = thumb ? thumb->height : 0;
    if (vertical)
        return y + travel - static_cast<int32_t>(std::lround(value * travel));
    return y + (height - thumbHeight) / 2;
}

bool CLiteSlider::OnThumb(int32_t px, int32_t py) const
{
    if (!thumb)
        return false;
    int32_t tx = ThumbX();
    int32_t ty = ThumbY();
    return px >= tx && px < tx + thumb->width && py >= ty && py < ty + thumb->height;
}

void CLiteSlider::Draw(CPicture& target)
{
    if (track)
        target.Blit(*track, 0, 0, std::min(track->width, width), std::min(track->height, height), x, y);
    if (thumb)
        target.Blit(*thumb, 0, 0, thumb->width, thumb->height, ThumbX(), ThumbY());
}

void CLiteSlider::SetValue(double newValue)
{
    int32_t oldX, oldY;
    {
        ContainerLock lock(*this);
        oldX = ThumbX();
        oldY = ThumbY();
        value = std::clamp(newValue, 0.0, 1.0);
    }
    // Automation moves values far more often than the thumb moves a pixel.
    if (ThumbX() != oldX || ThumbY() != oldY)
        Redraw();
}

void CLiteSlider::Refresh()
{
    if (binding.IsBound())
        SetValue(binding.Read());
}

void CLiteSlider::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    if (!container || !OnThumb(px, py))
        return;
    dragX = px;
    dragY = py;
    dragValue = value;
    container->Capture(this);
    binding.ShowTip(this, value);
}

void CLiteSlider::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (!container || container->CapturedChild() != this)
        return;
    int32_t movement = vertical ? dragY - py : px - dragX;
    double newValue = std::clamp(dragValue + double(movement) / travel, 0.0, 1.0);
    if (newValue == value)
        return;
    binding.Apply(this, newValue, value);
    Redraw();
    if (!binding.IsBound())
        container->SliderValueChanged(this, newValue);
}

void CLiteSlider::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    if (!container || container->CapturedChild() != this)
        return;
    container->Release(this);
    container->HideValueTip(this);
}
