#include "ui/CListBox.h"
#include "framework/Errors.h"
#include "ui/NativeColors.h"
#include <QListWidget>
#include <QSignalBlocker>

CListBox::CListBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "ListContainer", x, y, width, height), list(new QListWidget)
{
    SetContent(list);
    ApplyControlColors(this, list, kMessageCtlColorListBox);
    QObject::connect(list, &QListWidget::currentRowChanged, [this](int) {
        if (Parent())
            Parent()->ListSelectionChanged(this);
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, [this](QListWidgetItem*) {
        if (Parent())
            Parent()->ListDoubleClicked(this);
    });
}

int32_t CListBox::AddItem(const char* text, intptr_t data)
{
    QSignalBlocker quiet(list);
    list->addItem(QString::fromUtf8(text));
    itemData.push_back(data);
    return list->count() - 1;
}

void CListBox::DeleteItem(int32_t index)
{
    if (index < 0 || index >= GetCount())
        return;
    QSignalBlocker quiet(list);
    delete list->takeItem(index);
    itemData.erase(itemData.begin() + index);
}

void CListBox::ResetContent()
{
    QSignalBlocker quiet(list);
    list->clear();
    itemData.clear();
}

int32_t CListBox::GetCount() const
{
    return static_cast<int32_t>(itemData.size());
}

std::string CListBox::GetText(int32_t index) const
{
    QListWidgetItem* item = list->item(index);
    return item ? item->text().toStdString() : std::string();
}

intptr_t CListBox::GetItemData(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        Raise("GetItemData: Invalid Index");
    return itemData[static_cast<size_t>(index)];
}

void CListBox::SetItemData(int32_t index, intptr_t data)
{
    if (index < 0 || index >= GetCount())
        Raise("SetItemData: Invalid Index");
    itemData[static_cast<size_t>(index)] = data;
}

int32_t CListBox::GetCurSel() const
{
    return list->currentRow();
}

void CListBox::SetCurSel(int32_t index)
{
    QSignalBlocker quiet(list);
    list->setCurrentRow(index);
}
