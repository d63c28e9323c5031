#pragma once
#include "ui/CFrame.h"

class COptionsDialog;

// A page of the options dialog. Pages keep what the user edits until the
// dialog applies it.
class COptionsFrame : public CFrame {
public:
    COptionsFrame(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height);

    // Hands the edited values over; called by the dialog's "Apply" and when
    // it closes with pending changes.
    virtual void Apply() = 0;

    // Something was edited: the dialog's "Apply" becomes available.
    void MarkChanged();

    COptionsDialog* Dialog() const { return dialog; }

private:
    COptionsDialog* dialog;
};
