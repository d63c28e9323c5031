#pragma once
#include "ui/CControl.h"

class CPicture;
class QToolButton;

// A tool bar button with text or an icon, push or toggle; a click reaches
// the parent's ButtonCommand (a toggle has changed its state by then).
class CToolBarButton : public CControl {
public:
    CToolBarButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                   bool toggle = false, int32_t id = 0);

    int32_t Id() const { return id; }
    bool IsToggle() const { return toggle; }
    bool IsChecked() const;
    // Sets a toggle's state without reporting it.
    void SetChecked(bool checked);
    void SetIcon(const CPicture& picture);

private:
    void ShowColors();

    QToolButton* button;
    bool toggle;
    int32_t id;
};
