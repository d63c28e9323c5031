#include "ui/CLiteControl.h"
#include "ui/CLiteContainer.h"

CLiteControl::CLiteControl(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height)
    : container(container), x(x), y(y), width(width), height(height)
{
    container->AddChild(this);
}

CLiteControl::~CLiteControl()
{
    if (container)
        container->RemoveChild(this);
}

void CLiteControl::MouseMove(int32_t, int32_t, uint32_t) {}
void CLiteControl::LeftButtonDown(int32_t, int32_t, uint32_t) {}
void CLiteControl::LeftButtonUp(int32_t, int32_t, uint32_t) {}

void CLiteControl::Redraw()
{
    if (container)
        container->RedrawRegion(x, y, width, height);
}

void CLiteControl::SetVisible(bool show)
{
    if (visible == show)
        return;
    visible = show;
    Redraw();
}

void CLiteControl::MoveTo(int32_t newX, int32_t newY)
{
    if (!container)
        return;
    int32_t oldX = x;
    int32_t oldY = y;
    {
        ContainerLock lock(*this);
        x = newX;
        y = newY;
    }
    container->RedrawRegion(oldX, oldY, width, height);
    Redraw();
}

CLiteControl::ContainerLock::ContainerLock(const CLiteControl& control) : locked(control.container)
{
    if (locked)
        locked->Lock();
}

CLiteControl::ContainerLock::~ContainerLock()
{
    if (locked)
        locked->Unlock();
}
