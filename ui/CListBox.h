#pragma once
#include "ui/CControl.h"
#include <string>
#include <vector>

class QListWidget;

// A list of text items, each with a data value kept here. The user's
// choice reaches ListSelectionChanged, a double click ListDoubleClicked.
class CListBox : public CControl {
public:
    CListBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    int32_t AddItem(const char* text, intptr_t data = 0);
    void DeleteItem(int32_t index);
    void ResetContent();
    int32_t GetCount() const;
    std::string GetText(int32_t index) const;
    // Raises "GetItemData: Invalid Index" outside the list.
    intptr_t GetItemData(int32_t index) const;
    // Raises "SetItemData: Invalid Index" outside the list.
    void SetItemData(int32_t index, intptr_t data);
    int32_t GetCurSel() const;
    void SetCurSel(int32_t index);

private:
    QListWidget* list;
    std::vector<intptr_t> itemData;
};
