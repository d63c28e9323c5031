#include "ui/CLiteContainer.h"
#include "framework/Errors.h"
#include "ui/CColorManager.h"
#include "ui/CLiteControl.h"
#include <QImage>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace {

int32_t Wrap(int32_t value, int32_t size)
{
    int32_t r = value % size;
    return r < 0 ? r + size : r;
}

} // namespace

CLiteContainer::CLiteContainer(CControl* parent, CPicture* background, int32_t width, int32_t height)
    : CControl(parent, "LiteContainer", 0, 0, width, height, true)
{
    Construct(background);
}

CLiteContainer::CLiteContainer(QWidget* parentWindow, CPicture* background, int32_t width, int32_t height)
    : CControl(parentWindow, "LiteContainer", 0, 0, width, height, true)
{
    Construct(background);
}

void CLiteContainer::Construct(CPicture* picture)
{
    if (picture && (!picture->HasPixels() || picture->alpha || picture->width != Width() || picture->height != Height()))
        Raise("CLiteContainer : Invalid Background Picture");
    background = picture;
    parentPicture = BackgroundPicture();
    if (background)
        SetBackgroundPicture(background); // children show it through
    composition.Create(Width(), Height(), false);
    RedrawRegion(0, 0, Width(), Height());
}

CLiteContainer::~CLiteContainer()
{
    // Children outliving the container must not reach back into it.
    for (CLiteControl* child = children.First(); child;) {
        CLiteControl* next = child->NextNode();
        children.Remove(child);
        child->container = nullptr;
        child = next;
    }
}

void CLiteContainer::AddChild(CLiteControl* child)
{
    CLockGuard<CLiteContainer> lock(*this);
    children.Append(child);
}

void CLiteContainer::RemoveChild(CLiteControl* child)
{
    CLockGuard<CLiteContainer> lock(*this);
    if (captured == child)
        Release(child);
    children.Remove(child);
}

void CLiteContainer::Redraw()
{
    RedrawRegion(0, 0, Width(), Height());
}

void CLiteContainer::Resized(int32_t newWidth, int32_t newHeight)
{
    {
        CLockGuard<CLiteContainer> lock(*this);
        composition.Create(newWidth, newHeight, false);
    }
    CControl::Resized(newWidth, newHeight);
}

void CLiteContainer::RedrawRegion(int32_t rx, int32_t ry, int32_t rw, int32_t rh)
{
    if (!IsCreated())
        return;
    CLockGuard<CLiteContainer> lock(*this);
    int32_t left = std::max(rx, 0);
    int32_t top = std::max(ry, 0);
    int32_t right = std::min(rx + rw, composition.width);
    int32_t bottom = std::min(ry + rh, composition.height);
    if (left >= right || top >= bottom)
        return;
    Compose(left, top, right - left, bottom - top);
    CopyToBuffer(left, top, right - left, bottom - top);
    Present(left, top, right - left, bottom - top);
}

void CLiteContainer::Compose(int32_t rx, int32_t ry, int32_t rw, int32_t rh)
{
    composition.SetClip(rx, ry, rx + rw, ry + rh);
    RefillBackground(rx, ry, rw, rh);
    for (CLiteControl* child = children.First(); child; child = child->NextNode()) {
        if (child->IsVisible() && child->Meets(rx, ry, rw, rh))
            child->Draw(composition);
    }
    composition.ResetClip();
}

void CLiteContainer::RefillBackground(int32_t rx, int32_t ry, int32_t rw, int32_t rh)
{
    CLockGuard<CLiteContainer> lock(*this);
    if (background) {
        composition.Blit(*background, rx, ry, rw, rh, rx, ry);
        return;
    }
    if (parentPicture && parentPicture->HasPixels()) {
        int32_t originX;
        int32_t originY;
        {
            CLockGuard<CMutex> position(bufferLock);
            originX = x;
            originY = y;
        }
        const int32_t pbpp = parentPicture->BytesPerPixel();
        int32_t top = std::max(ry, composition.clipTop);
        int32_t bottom = std::min(ry + rh, composition.clipBottom);
        int32_t left = std::max(rx, composition.clipLeft);
        int32_t right = std::min(rx + rw, composition.clipRight);
        for (int32_t row = top; row < bottom; ++row) {
            const uint8_t* source = parentPicture->Row(Wrap(originY + row, parentPicture->height));
            uint8_t* target = composition.Row(row) + static_cast<size_t>(left) * 3;
            for (int32_t col = left; col < right; ++col, target += 3) {
                const uint8_t* p = source + static_cast<size_t>(Wrap(originX + col, parentPicture->width)) * pbpp;
                target[0] = p[0];
                target[1] = p[1];
                target[2] = p[2];
            }
        }
        return;
    }
    ColorRef color = 0;
    if (CColorManager* colors = Colors())
        color = colors->GetColor(BackgroundColor());
    composition.FillRect(rx, ry, rw, rh, color);
}

void CLiteContainer::CopyToBuffer(int32_t rx, int32_t ry, int32_t rw, int32_t rh)
{
    CLockGuard<CMutex> lock(bufferLock);
    if (!buffer || buffer->width() < rx + rw || buffer->height() < ry + rh)
        return;
    for (int32_t row = ry; row < ry + rh; ++row) {
        const uint8_t* source = composition.Row(row) + static_cast<size_t>(rx) * 3;
        auto* target = reinterpret_cast<uint32_t*>(buffer->scanLine(row)) + rx;
        for (int32_t col = 0; col < rw; ++col, source += 3)
            target[col] = 0xFF000000u | (uint32_t(source[0]) << 16) | (uint32_t(source[1]) << 8) | source[2];
    }
}

void CLiteContainer::Capture(CLiteControl* child)
{
    captured = child;
    SetCapture();
}

void CLiteContainer::Release(CLiteControl* child)
{
    if (captured != child)
        return;
    captured = nullptr;
    ReleaseCapture();
}

void CLiteContainer::CaptureLost()
{
    captured = nullptr;
}

CLiteControl* CLiteContainer::ChildAt(int32_t px, int32_t py) const
{
    if (captured)
        return captured;
    for (CLiteControl* child = children.Last(); child; child = child->PreviousNode()) {
        if (child->IsEnabled() && child->IsVisible() && child->Contains(px, py))
            return child;
    }
    return nullptr;
}

void CLiteContainer::LeftButtonDown(int32_t px, int32_t py, uint32_t keys)
{
    if (CLiteControl* child = ChildAt(px, py))
        child->LeftButtonDown(px, py, keys);
}

void CLiteContainer::LeftButtonUp(int32_t px, int32_t py, uint32_t keys)
{
    if (CLiteControl* child = ChildAt(px, py))
        child->LeftButtonUp(px, py, keys);
}

void CLiteContainer::MouseMove(int32_t px, int32_t py, uint32_t keys)
{
    if (CLiteControl* child = ChildAt(px, py))
        child->MouseMove(px, py, keys);
}

void CLiteContainer::ShowValueTip(CLiteControl* child, const char* text)
{
    if (QWidget* w = Window())
        QToolTip::showText(w->mapToGlobal(QPoint(child->X() + child->Width(), child->Y() + child->Height())),
                           QString::fromUtf8(text), w);
}

void CLiteContainer::HideValueTip(CLiteControl*)
{
    QToolTip::hideText();
}

void CLiteContainer::ButtonClicked(CLiteButton*, int32_t) {}

void CLiteContainer::SliderValueChanged(CLiteSlider*, double) {}
