#include "studio/view/CPopupMenu.h"
#include "ui/CControl.h"
#include <QAction>
#include <QMenu>
#include <QWidget>

CPopupMenu::CPopupMenu() : menu(new QMenu) {}

CPopupMenu::~CPopupMenu()
{
    delete menu;
}

void CPopupMenu::Clear()
{
    menu->clear();
}

void CPopupMenu::AddItem(int32_t command, const char* text, bool enabled)
{
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setEnabled(enabled);
    QObject::connect(action, &QAction::triggered, menu, [this, command] {
        // The handler may clear or refill this very menu.
        Handler chosen = handler;
        handler = nullptr;
        if (chosen)
            chosen(command);
    });
}

void CPopupMenu::AddSeparator()
{
    menu->addSeparator();
}

void CPopupMenu::Open(CControl* owner, int32_t x, int32_t y, Handler newHandler)
{
    handler = std::move(newHandler);
    QWidget* window = owner ? owner->Window() : nullptr;
    QPoint at = window ? window->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
    menu->popup(at);
}

void CPopupMenu::Close()
{
    handler = nullptr;
    menu->hide();
}
