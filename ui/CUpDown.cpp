#include "ui/CUpDown.h"
#include "ui/NativeColors.h"
#include <QSignalBlocker>
#include <QSpinBox>

CUpDown::CUpDown(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minimum,
                 int32_t maximum, int32_t value)
    : CControl(parent, "UpDown", x, y, width, height), spin(new QSpinBox)
{
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    spin->setObjectName("EDIT");
    SetContent(spin);
    ApplyControlColors(this, spin, kMessageCtlColorEdit);
    QObject::connect(spin, &QSpinBox::valueChanged, [this](int) {
        if (Parent())
            Parent()->UpDownChanged(this);
    });
}

int32_t CUpDown::GetValue() const
{
    return spin->value();
}

void CUpDown::SetValue(int32_t value)
{
    QSignalBlocker quiet(spin);
    spin->setValue(value);
}

void CUpDown::SetRange(int32_t minimum, int32_t maximum)
{
    QSignalBlocker quiet(spin);
    spin->setRange(minimum, maximum);
}
