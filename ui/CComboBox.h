#pragma once
#include "ui/CControl.h"
#include <string>

class QComboBox;

// A drop-down list (Qt's "ComboBox" inside the control's "ComboContainer"
// window). The user's choice reaches the parent's ComboSelectionChanged;
// setting the selection from code does not report.
class CComboBox : public CControl {
public:
    CComboBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    int32_t AddString(const char* text);
    void DeleteString(int32_t index);
    void ResetContent();
    int32_t GetCount() const;
    std::string GetString(int32_t index) const;
    // -1 when nothing is selected.
    int32_t GetCurSel() const;
    void SetCurSel(int32_t index);

private:
    QComboBox* combo;
};
