#include "ui/CIconList.h"
#include "ui/Icons.h"
#include <QListWidget>
#include <QSignalBlocker>

CIconList::CIconList(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "IconList", x, y, width, height), list(new QListWidget)
{
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(false);
    SetContent(list);
    QObject::connect(list, &QListWidget::currentRowChanged, [this](int) {
        if (Parent())
            Parent()->IconListSelectionChanged(this);
    });
}

int32_t CIconList::AddIcon(const CPicture& icon, const char* text)
{
    QSignalBlocker quiet(list);
    list->addItem(new QListWidgetItem(IconFromPicture(icon), QString::fromUtf8(text)));
    return list->count() - 1;
}

int32_t CIconList::GetCount() const
{
    return list->count();
}

int32_t CIconList::GetSelection() const
{
    return list->currentRow();
}

void CIconList::SetSelection(int32_t index)
{
    QSignalBlocker quiet(list);
    list->setCurrentRow(index);
}
