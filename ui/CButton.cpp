#include "ui/CButton.h"
#include <QPushButton>

CButton::CButton(CControl* parent, const char* text, int32_t x, int32_t y, int32_t width, int32_t height, int32_t id)
    : CControl(parent, "Button", x, y, width, height), button(new QPushButton(QString::fromUtf8(text))), id(id)
{
    SetContent(button);
    QObject::connect(button, &QPushButton::clicked, [this] {
        if (Parent())
            Parent()->ButtonCommand(this);
    });
}

void CButton::SetText(const char* text)
{
    button->setText(QString::fromUtf8(text));
}

std::string CButton::Text() const
{
    return button->text().toStdString();
}
