#pragma once
#include "ui/CControl.h"
#include <vector>

class CComboBox;
class CLabel;
class CToolBarButton;
class CUpDown;

// A bar of tool bar buttons, combo boxes and labels laid out left to right.
// It owns what it adds; their notifications go on to the bar's parent
// unless a subclass handles them.
class CToolBar : public CControl {
public:
    CToolBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CToolBar() override;

    CToolBarButton* AddButton(const char* text, int32_t width, bool toggle = false, int32_t id = 0,
                              const char* tip = nullptr);
    CLabel* AddLabel(const char* text, int32_t width);
    CComboBox* AddComboBox(int32_t width, const char* tip = nullptr);
    CUpDown* AddUpDown(int32_t width, int32_t minimum, int32_t maximum, int32_t value, const char* tip = nullptr);
    // Takes over a control made with this bar as parent and places it next.
    void AddControl(CControl* control, int32_t width);
    void AddSpace(int32_t width) { next += width; }

    void ButtonCommand(CControl* button) override;
    void ComboSelectionChanged(CComboBox* combo) override;
    void UpDownChanged(CUpDown* upDown) override;
    void EditTextChanged(CEditBox* edit) override;

    static constexpr int32_t kMargin = 2;

private:
    int32_t Place(int32_t width);

    std::vector<CControl*> items;
    int32_t next = kMargin;
};
