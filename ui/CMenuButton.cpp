#include "ui/CMenuButton.h"
#include <QMenu>
#include <QToolButton>

CMenuButton::CMenuButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "MenuButton", x, y, width, height), button(new QToolButton), menu(new QMenu)
{
    button->setText(QString::fromUtf8(text));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setMenu(menu);
    SetContent(button);
}

CMenuButton::~CMenuButton()
{
    delete menu;
}

void CMenuButton::AddItem(int32_t itemCommand, const char* text)
{
    QAction* action = menu->addAction(QString::fromUtf8(text));
    QObject::connect(action, &QAction::triggered, [this, itemCommand] {
        command = itemCommand;
        if (Parent())
            Parent()->ButtonCommand(this);
    });
}

void CMenuButton::AddSeparator()
{
    menu->addSeparator();
}

void CMenuButton::ClearItems()
{
    menu->clear();
}
