#pragma once
#include "ui/CControl.h"

class CPicture;
class QToolButton;

// A button showing an icon; a click reaches the parent's ButtonCommand.
class CIconButton : public CControl {
public:
    CIconButton(CControl* parent, const CPicture& icon, int32_t x, int32_t y, int32_t width, int32_t height,
                int32_t id = 0);

    int32_t Id() const { return id; }

private:
    QToolButton* button;
    int32_t id;
};
