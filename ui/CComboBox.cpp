#include "ui/CComboBox.h"
#include <QComboBox>
#include <QSignalBlocker>

CComboBox::CComboBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "ComboContainer", x, y, width, height), combo(new QComboBox)
{
    combo->setObjectName("ComboBox");
    SetContent(combo);
    QObject::connect(combo, &QComboBox::activated, [this](int) {
        if (Parent())
            Parent()->ComboSelectionChanged(this);
    });
}

int32_t CComboBox::AddString(const char* text)
{
    QSignalBlocker quiet(combo);
    combo->addItem(QString::fromUtf8(text));
    return combo->count() - 1;
}

void CComboBox::DeleteString(int32_t index)
{
    QSignalBlocker quiet(combo);
    combo->removeItem(index);
}

void CComboBox::ResetContent()
{
    QSignalBlocker quiet(combo);
    combo->clear();
}

int32_t CComboBox::GetCount() const
{
    return combo->count();
}

std::string CComboBox::GetString(int32_t index) const
{
    return combo->itemText(index).toStdString();
}

int32_t CComboBox::GetCurSel() const
{
    return combo->currentIndex();
}

void CComboBox::SetCurSel(int32_t index)
{
    QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index);
}
