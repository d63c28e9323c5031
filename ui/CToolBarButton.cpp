#include "ui/CToolBarButton.h"
#include "ui/Icons.h"
#include <QPalette>
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
    ShowColors();
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

// Tool bars are dark: light text, a grey face where the style draws one
// (a pressed toggle, the button under the mouse), and dim text when the
// button is disabled, so that every state reads at a glance.
void CToolBarButton::ShowColors()
{
    QPalette palette = button->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::ButtonText, QColor(230, 230, 230));
        palette.setColor(group, QPalette::Button, QColor(84, 84, 84));
    }
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(105, 105, 105));
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(60, 60, 60));
    button->setPalette(palette);
}

void CToolBarButton::SetIcon(const CPicture& picture)
{
    button->setIcon(IconFromPicture(picture));
    button->setIconSize(QSize(Width() - 4, Height() - 4));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
}
