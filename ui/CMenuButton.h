#pragma once
#include "ui/CControl.h"

class QMenu;
class QToolButton;

// A button that pops up a menu; choosing an item stores its command and
// reports to the parent's ButtonCommand, where Command() tells which.
class CMenuButton : public CControl {
public:
    CMenuButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CMenuButton() override;

    void AddItem(int32_t command, const char* text);
    void AddSeparator();
    void ClearItems();
    // The command of the item last chosen (0 before any).
    int32_t Command() const { return command; }

private:
    QToolButton* button;
    QMenu* menu;
    int32_t command = 0;
};
