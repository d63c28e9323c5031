#pragma once
#include "ui/CControl.h"

class CPicture;
class QListWidget;

// A list of icons with captions (the options dialog's pages). The user's
// choice reaches the parent's IconListSelectionChanged.
class CIconList : public CControl {
public:
    CIconList(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    int32_t AddIcon(const CPicture& icon, const char* text);
    int32_t GetCount() const;
    int32_t GetSelection() const;
    // Selects without reporting.
    void SetSelection(int32_t index);

private:
    QListWidget* list;
};
