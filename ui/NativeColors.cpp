#include "ui/NativeColors.h"
#include "ui/CControl.h"
#include <QBrush>
#include <QPalette>
#include <QWidget>

void ApplyControlColors(CControl* control, QWidget* widget, uint32_t message)
{
    ControlColors colors;
    control->SendMessage(message, reinterpret_cast<uintptr_t>(&colors), 0);
    if (!colors.brush)
        return;
    QPalette palette = widget->palette();
    QColor text(RedOf(colors.text), GreenOf(colors.text), BlueOf(colors.text));
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        palette.setBrush(role, *colors.brush);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(role, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
