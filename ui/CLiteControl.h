#pragma once
#include "framework/CListNode.h"
#include <cstdint>

class CLiteContainer;
class CPicture;

// A windowless control drawn into its container's composition picture.
// Mouse positions are in container pixels. Making a control appends it to
// its container's list; destroying it removes it.
class CLiteControl : public CListNode<CLiteControl> {
public:
    CLiteControl(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);
    virtual ~CLiteControl();
    CLiteControl(const CLiteControl&) = delete;
    CLiteControl& operator=(const CLiteControl&) = delete;

    // Slots in order. Draw is called with the container locked and the
    // composition's clip set to the region being redrawn.
    virtual void Draw(CPicture& target) = 0;
    virtual void MouseMove(int32_t x, int32_t y, uint32_t keys);
    virtual void LeftButtonDown(int32_t x, int32_t y, uint32_t keys);
    virtual void LeftButtonUp(int32_t x, int32_t y, uint32_t keys);

    bool Contains(int32_t px, int32_t py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool Meets(int32_t rx, int32_t ry, int32_t rw, int32_t rh) const
    {
        return rx < x + width && x < rx + rw && ry < y + height && y < ry + rh;
    }
    // Redraws this control's rectangle of the container.
    void Redraw();
    void SetVisible(bool show);
    void SetEnabled(bool enable) { enabled = enable; }
    void MoveTo(int32_t newX, int32_t newY);

    CLiteContainer* Container() const { return container; }

    // Holds the container's lock (when there is a container) for a scope:
    // state that Draw reads is written under it.
    class ContainerLock {
    public:
        explicit ContainerLock(const CLiteControl& control);
        ~ContainerLock();
        ContainerLock(const ContainerLock&) = delete;
        ContainerLock& operator=(const ContainerLock&) = delete;

    private:
        CLiteContainer* locked;
    };

    int32_t X() const { return x; }
    int32_t Y() const { return y; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    bool IsVisible() const { return visible; }
    bool IsEnabled() const { return enabled; }

protected:
    friend class CLiteContainer;
    CLiteContainer* container; // null once the container is gone
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    bool visible = true;
    bool enabled = true;
};
