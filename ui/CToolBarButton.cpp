#include "ui/CToolBarButton.h"
#include "ui/Icons.h"
#include <QSignalBlocker>
#include <QToolButton>

CToolBarButton::CToolBarButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width,
                               int32_t height, bool toggle, int32_t id)
    : CControl(parent, "ToolBarButton", x, y, width, height), button(new QToolButton), toggle(toggle), id(id)
{
    button->setText(QString::fromUtf8(text));
    button->setCheckable(toggle);
    button->setAutoRaise(true);
    SetContent(button);
    QObject::connect(button, &QToolButton::clicked, [this] {
        if (Parent())
            Parent()->ButtonCommand(this);
    });
}

bool CToolBarButton::IsChecked() const
{
    return button->isChecked();
}

void CToolBarButton::SetChecked(bool checked)
{
    QSignalBlocker quiet(button);
    button->setChecked(checked);
}

void CToolBarButton::SetIcon(const CPicture& picture)
{
    button->setIcon(IconFromPicture(picture));
    button->setIconSize(QSize(Width() - 4, Height() - 4));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}
