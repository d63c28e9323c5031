#include "ui/CIconButton.h"
#include "ui/Icons.h"
#include <QToolButton>

CIconButton::CIconButton(CControl* parent, const CPicture& icon, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t id)
    : CControl(parent, "IconButton", x, y, width, height), button(new QToolButton), id(id)
{
    button->setIcon(IconFromPicture(icon));
    button->setIconSize(QSize(width - 4, height - 4));
    button->setAutoRaise(true);
    SetContent(button);
    QObject::connect(button, &QToolButton::clicked, [this] {
        if (Parent())
            Parent()->ButtonCommand(this);
    });
}
