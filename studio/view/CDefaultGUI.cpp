#include "studio/view/CDefaultGUI.h"
#include "framework/CMachine.h"
#include "framework/Errors.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/view/CDefaultGUISlider.h"
#include "studio/view/GuardedCall.h"
#include "ui/CDrawContext.h"
#include "ui/CScrollBar.h"
#include <algorithm>

CDefaultGUI::CDefaultGUI(CControl* parent, CStudio* studio, CMachineContainer* container, int32_t x, int32_t y)
    : CControl(parent, "DefaultGUI", x, y, kWidth, HeightFor(container->GetMachine()->parameterCount), true),
      studio(studio), container(container)
{
    SetBackgroundColor(3);
    const int32_t count = std::max(0, container->GetMachine()->parameterCount);
    rows.resize(static_cast<size_t>(count));
    visibleRows = std::min(count, kMostVisibleRows);
    for (int32_t i = 0; i < visibleRows; ++i) {
        auto* slider = new CDefaultGUISlider(this, kSliderX, kTop + i * kRowPitch - 2);
        slider->Show(kShow);
        sliders.push_back(slider);
    }
    if (count > visibleRows) {
        scrollBar = new CScrollBar(this, kWidth - kScrollBarWidth, 0, kScrollBarWidth, Height(), true);
        scrollBar->SetRange(0, count - visibleRows, 1);
        scrollBar->Show(kShow);
    }
    for (int32_t i = 0; i < count; ++i)
        ReadRow(i);
    PlaceSliders();
    Redraw();
}

CDefaultGUI::~CDefaultGUI()
{
    for (CDefaultGUISlider* slider : sliders)
        delete slider;
    delete scrollBar;
}

int32_t CDefaultGUI::HeightFor(int32_t parameterCount)
{
    int32_t shown = std::clamp(parameterCount, 1, kMostVisibleRows);
    return kTop + shown * kRowPitch + 4;
}

void CDefaultGUI::ReadRow(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(rows.size()))
        return;
    CMachine* machine = container->GetMachine();
    Row& row = rows[static_cast<size_t>(index)];
    char name[kMachineTextSize] = {};
    char display[kMachineTextSize] = {};
    double value = row.value;
    GuardedCall(container->GetName(), "Parameter Display", [&] {
        CLockGuard lock(*machine);
        value = machine->GetParameter(index);
        machine->GetParameterName(index, name);
        machine->GetParameterDisplay(index, display);
    });
    name[kMachineTextSize - 1] = display[kMachineTextSize - 1] = 0;
    row.name = name;
    row.display = display;
    row.value = value;
}

void CDefaultGUI::PlaceSliders()
{
    for (int32_t i = 0; i < static_cast<int32_t>(sliders.size()); ++i) {
        int32_t index = firstRow + i;
        sliders[static_cast<size_t>(i)]->SetIndex(index);
        sliders[static_cast<size_t>(i)]->SetValue(rows[static_cast<size_t>(index)].value);
    }
}

CDefaultGUISlider* CDefaultGUI::SliderForRow(int32_t index) const
{
    int32_t i = index - firstRow;
    return i >= 0 && i < static_cast<int32_t>(sliders.size()) ? sliders[static_cast<size_t>(i)] : nullptr;
}

std::string CDefaultGUI::GetDisplayText(int32_t index) const
{
    return index >= 0 && index < static_cast<int32_t>(rows.size()) ? rows[static_cast<size_t>(index)].display : "";
}

double CDefaultGUI::GetShownValue(int32_t index) const
{
    return index >= 0 && index < static_cast<int32_t>(rows.size()) ? rows[static_cast<size_t>(index)].value : 0.0;
}

void CDefaultGUI::RefreshRow(int32_t index)
{
    ReadRow(index);
    if (CDefaultGUISlider* slider = SliderForRow(index))
        slider->SetValue(GetShownValue(index));
    Redraw();
}

void CDefaultGUI::RefreshAll()
{
    for (int32_t i = 0; i < static_cast<int32_t>(rows.size()); ++i)
        ReadRow(i);
    PlaceSliders();
    Redraw();
}

bool CDefaultGUI::RefreshChanged()
{
    CMachine* machine = container->GetMachine();
    bool any = false;
    for (int32_t i = 0; i < static_cast<int32_t>(rows.size()); ++i) {
        double value = rows[static_cast<size_t>(i)].value;
        GuardedCall(container->GetName(), "GetParameter", [&] {
            CLockGuard lock(*machine);
            value = machine->GetParameter(i);
        });
        if (value != rows[static_cast<size_t>(i)].value) {
            ReadRow(i);
            if (CDefaultGUISlider* slider = SliderForRow(i))
                slider->SetValue(value);
            any = true;
        }
    }
    if (any)
        Redraw();
    return any;
}

void CDefaultGUI::SliderMoved(CDefaultGUISlider* slider, double value)
{
    int32_t index = slider->GetIndex();
    if (index < 0 || index >= static_cast<int32_t>(rows.size()) || value == rows[static_cast<size_t>(index)].value)
        return;
    CMachine* machine = container->GetMachine();
    GuardedCall(container->GetName(), "SetParameter", [&] {
        CLockGuard lock(*machine);
        machine->SetParameter(index, value);
    });
    studio->MarkChanged();
    RefreshRow(index);
}

void CDefaultGUI::VerticalScroll(int32_t position)
{
    int32_t last = static_cast<int32_t>(rows.size()) - visibleRows;
    firstRow = std::clamp(position, 0, std::max(0, last));
    PlaceSliders();
    Redraw();
}

void CDefaultGUI::Render(CDrawContext& dc)
{
    CControl::Render(dc);
    for (int32_t i = 0; i < visibleRows; ++i) {
        int32_t index = firstRow + i;
        const Row& row = rows[static_cast<size_t>(index)];
        int32_t y = kTop + i * kRowPitch;
        dc.Text(4, y, 44, 20, FormatText("[%04i]", index).c_str(), 5, Qt::AlignLeft | Qt::AlignVCenter);
        dc.Text(48, y, kSliderX - 52, 20, row.name.c_str(), 4, Qt::AlignRight | Qt::AlignVCenter);
        dc.Text(kSliderX + 129 + 6, y, kDisplayWidth, 20, row.display.c_str(), 4, Qt::AlignRight | Qt::AlignVCenter);
    }
}
