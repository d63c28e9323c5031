#pragma once
#include "ui/CWindow.h"

// A window of a given size centred on the desktop's work area. Showing it
// disables its owner's window and hiding it enables the owner again, so the
// dialog behaves modally without a nested event loop.
class CDialog : public CWindow {
public:
    // With a caption: title bar, system menu, minimise box (and a sizing
    // frame when `sizable`); without (null caption): a bare window.
    CDialog(CControl* owner, const char* caption, int32_t width, int32_t height, bool sizable = false);

    void Show(int32_t command) override;
    void Close() override;

    // Hide and report to the owner.
    void Confirm();
    void Cancel();

    CControl* Owner() const { return Parent(); }
};
