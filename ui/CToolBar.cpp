#include "ui/CToolBar.h"
#include "ui/CComboBox.h"
#include "ui/CLabel.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"

CToolBar::CToolBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "ToolBar", x, y, width, height)
{
}

CToolBar::~CToolBar()
{
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        delete *it;
}

int32_t CToolBar::Place(int32_t itemWidth)
{
    int32_t at = next;
    next += itemWidth + kMargin;
    return at;
}

CToolBarButton* CToolBar::AddButton(const char* text, int32_t itemWidth, bool toggle, int32_t id, const char* tip)
{
    auto* button = new CToolBarButton(this, text, Place(itemWidth), kMargin, itemWidth, Height() - 2 * kMargin, toggle, id);
    if (tip)
        button->SetTipText(tip);
    button->Show(kShow);
    items.push_back(button);
    return button;
}

CLabel* CToolBar::AddLabel(const char* text, int32_t itemWidth)
{
    auto* label = new CLabel(this, text, Place(itemWidth), kMargin, itemWidth, Height() - 2 * kMargin);
    label->Show(kShow);
    items.push_back(label);
    return label;
}

CComboBox* CToolBar::AddComboBox(int32_t itemWidth, const char* tip)
{
    auto* combo = new CComboBox(this, Place(itemWidth), kMargin, itemWidth, Height() - 2 * kMargin);
    if (tip)
        combo->SetTipText(tip);
    combo->Show(kShow);
    items.push_back(combo);
    return combo;
}

CUpDown* CToolBar::AddUpDown(int32_t itemWidth, int32_t minimum, int32_t maximum, int32_t value, const char* tip)
{
    auto* upDown = new CUpDown(this, Place(itemWidth), kMargin, itemWidth, Height() - 2 * kMargin, minimum, maximum, value);
    if (tip)
        upDown->SetTipText(tip);
    upDown->Show(kShow);
    items.push_back(upDown);
    return upDown;
}

void CToolBar::AddControl(CControl* control, int32_t itemWidth)
{
    control->Move(Place(itemWidth), kMargin, itemWidth, Height() - 2 * kMargin);
    control->Show(kShow);
    items.push_back(control);
}

void CToolBar::ButtonCommand(CControl* button)
{
    if (Parent())
        Parent()->ButtonCommand(button);
}

void CToolBar::ComboSelectionChanged(CComboBox* combo)
{
    if (Parent())
        Parent()->ComboSelectionChanged(combo);
}

void CToolBar::UpDownChanged(CUpDown* upDown)
{
    if (Parent())
        Parent()->UpDownChanged(upDown);
}

void CToolBar::EditTextChanged(CEditBox* edit)
{
    if (Parent())
        Parent()->EditTextChanged(edit);
}
