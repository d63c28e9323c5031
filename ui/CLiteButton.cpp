#include "ui/CLiteButton.h"
#include "ui/CLiteContainer.h"
#include "ui/CPicture.h"

CLiteButton::CLiteButton(CLiteContainer* container, int32_t x, int32_t y, const CPicture* up, const CPicture* hover,
                         const CPicture* down, bool toggle)
    : CLiteControl(container, x, y, up ? up->width : 0, up ? up->height : 0), pictures{up, hover, down},
      toggle(toggle)
{
    Redraw();
}

void CLiteButton::Draw(CPicture& target)
{
    const CPicture* picture = pictures[state] ? pictures[state] : pictures[kUp];
    if (picture)
        target.Blit(*picture, 0, 0, width, height, x, y);
}

void CLiteButton::SetState(int32_t newState)
{
    if (newState < kUp || newState > kDown || newState == state)
        return;
    {
        ContainerLock lock(*this);
        state = newState;
    }
    Redraw();
}

void CLiteButton::Report()
{
    if (container)
        container->ButtonClicked(this, state);
}

void CLiteButton::LeftButtonDown(int32_t, int32_t, uint32_t)
{
    if (!enabled || !container)
        return;
    if (toggle && state == kDown) {
        SetState(kUp);
        Report();
        return;
    }
    pressed = true;
    SetState(kDown);
    container->Capture(this);
}

void CLiteButton::LeftButtonUp(int32_t px, int32_t py, uint32_t)
{
    if (!enabled || !container || !pressed)
        return;
    pressed = false;
    if (!Contains(px, py)) {
        SetState(kUp);
        container->Release(this);
        return;
    }
    if (toggle)
        container->Release(this); // stays down: no hover to track
    else
        SetState(kHover); // still inside, capture kept to see it leave
    Report();
}

void CLiteButton::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (!enabled || !container)
        return;
    bool inside = Contains(px, py);
    if (pressed) {
        SetState(inside ? kDown : kUp);
        return;
    }
    if (state == kDown)
        return; // a toggle that stays down shows no hover
    if (inside && state == kUp) {
        SetState(kHover);
        container->Capture(this);
    } else if (!inside && state == kHover) {
        SetState(kUp);
        container->Release(this);
    }
}
