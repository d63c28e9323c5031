#pragma once
#include "ui/CControl.h"

// A top-level window, owned by its parent control's window when there is
// one (it stays above it). Closing it from the window frame calls Close.
class CWindow : public CControl {
public:
    CWindow(CControl* parent, const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
            bool buffered = false);

    intptr_t HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2) override;
    // The slot after Render. The base hides the window.
    virtual void Close();

    void SetTitle(const char* title);
};
