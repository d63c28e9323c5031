#pragma once
#include "framework/CListNode.h"
#include "framework/CMutex.h"
#include "ui/CControl.h"
#include "ui/CPicture.h"

class CLiteButton;
class CLiteControl;
class CLiteSlider;

// One native control that composes a background and windowless children
// into a picture and shows it. The container's lock guards the composition
// and the child list, so children may redraw from the graphics thread while
// the GUI thread handles input. A bound child takes its machine's lock
// before the container's.
class CLiteContainer : public CControl, public CMutex {
public:
    // The background must be an RGB picture of exactly width × height, else
    // "CLiteContainer : Invalid Background Picture" is raised. Without one,
    // the parent's background picture shows through, aligned to the
    // container's position, or else the background colour.
    CLiteContainer(CControl* parent, CPicture* background, int32_t width, int32_t height);
    CLiteContainer(QWidget* parentWindow, CPicture* background, int32_t width, int32_t height);
    ~CLiteContainer() override;

    // Recomposes the region (clipped to the container) from the background
    // and every visible child meeting it, in list order, and shows it.
    void RedrawRegion(int32_t rx, int32_t ry, int32_t rw, int32_t rh);
    // Refills the region of the composition with the background.
    void RefillBackground(int32_t rx, int32_t ry, int32_t rw, int32_t rh);

    // The captured child receives all mouse input until it releases it.
    void Capture(CLiteControl* child);
    void Release(CLiteControl* child);
    CLiteControl* CapturedChild() const { return captured; }
    // The child that receives input at this point: the captured one, else
    // the last enabled, visible child containing it; null when none does.
    CLiteControl* ChildAt(int32_t px, int32_t py) const;

    // Notifications from children.
    virtual void ShowValueTip(CLiteControl* child, const char* text);
    virtual void HideValueTip(CLiteControl* child);
    virtual void ButtonClicked(CLiteButton* child, int32_t state);
    virtual void SliderValueChanged(CLiteSlider* child, double value);

    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void CaptureLost() override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    // The whole container, through RedrawRegion (container lock, then the
    // buffer lock: the one order every path keeps).
    void Redraw() override;

    const CPicture& Composition() const { return composition; }
    CLiteControl* FirstChild() const { return children.First(); }

private:
    friend class CLiteControl;
    void AddChild(CLiteControl* child);
    void RemoveChild(CLiteControl* child);
    void Construct(CPicture* background);
    void Compose(int32_t rx, int32_t ry, int32_t rw, int32_t rh);
    void CopyToBuffer(int32_t rx, int32_t ry, int32_t rw, int32_t rh);

    CPicture* background;
    CPicture* parentPicture; // the parent's picture, shown when there is no background
    CPicture composition;
    CList<CLiteControl> children;
    CLiteControl* captured = nullptr;
};
