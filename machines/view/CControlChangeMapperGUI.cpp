#include "machines/view/CControlChangeMapperGUI.h"
#include "machines/CControlChangeMapper.h"
#include "ui/CButton.h"
#include "ui/CLabel.h"
#include "ui/CScrollBar.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include <algorithm>

CMappingGUI::CMappingGUI(CControl* parent, CControlChangeMapper* machine, int32_t index, int32_t y)
    : CControl(parent, "MappingGUI", 0, y, 332, kHeight), machine(machine), index(index)
{
    auto keep = [&](auto* control) {
        owned.emplace_back(control);
        control->Show(kShow);
        return control;
    };
    train = keep(new CToolBarButton(this, "Train", 2, 4, 44, 22, true));
    train->SetTipText("Train (Set Map In To Next Received Control Change)");
    keep(new CLabel(this, "Map In:", 50, 6, 52, 18));
    mapIn = keep(new CUpDown(this, 102, 4, 58, 22, 0, CControlChangeMapper::kHighestControl, 0));
    mapIn->SetTipText("Map In");
    keep(new CLabel(this, "Map Out:", 164, 6, 60, 18));
    mapOut = keep(new CUpDown(this, 224, 4, 58, 22, 0, CControlChangeMapper::kHighestControl, 0));
    mapOut->SetTipText("Map Out");
    remove = keep(new CButton(this, "X", 288, 4, 24, 22));
    remove->SetTipText("Remove ControlChange Mapping");
    Sync();
}

CMappingGUI::~CMappingGUI()
{
    while (!owned.empty())
        owned.pop_back();
}

void CMappingGUI::Sync()
{
    CControlChangeMapper::Mapping mapping = machine->GetMapping(index);
    if (mapIn->GetValue() != mapping.in)
        mapIn->SetValue(mapping.in);
    if (mapOut->GetValue() != mapping.out)
        mapOut->SetValue(mapping.out);
    if (train->IsChecked() != mapping.training)
        train->SetChecked(mapping.training);
}

void CMappingGUI::ButtonCommand(CControl* button)
{
    if (button == train) {
        machine->SetTraining(index, train->IsChecked());
    } else if (button == remove) {
        // Removed by the editor once this row's click has finished.
        Parent()->Parent()->PostMessage(CControlChangeMapperGUI::kMessageRemove, static_cast<uintptr_t>(index), 0);
    }
}

void CMappingGUI::UpDownChanged(CUpDown*)
{
    machine->SetMapping(index, mapIn->GetValue(), mapOut->GetValue());
}

CControlChangeMapperGUI::CControlChangeMapperGUI(CControl* parent, CControlChangeMapper* machine)
    : CControl(parent, "ControlChange Mapper", 0, 0, 348, 196), machine(machine), timer(this, 1)
{
    bar = std::make_unique<CToolBar>(this, 0, 0, 348, 30);
    add = bar->AddButton("Add ControlChange Mapping", 190, false, 1, "Add ControlChange Mapping");
    bar->Show(kShow);
    list = std::make_unique<CControl>(this, "Mapping GUI List", 8, 38, 332, 150);
    list->Show(kShow);
    // At the list's right edge; a child of the editor, which hears its moves.
    scroll = std::make_unique<CScrollBar>(this, 8 + 316, 38, 16, 150, true);
    Sync();
    // Learning happens on the render thread: the rows look every 100 ms.
    timer.Start(100);
}

CControlChangeMapperGUI::~CControlChangeMapperGUI()
{
    timer.Stop();
    rows.clear();
}

void CControlChangeMapperGUI::Sync()
{
    if (machine->Revision() == shownRevision)
        return;
    shownRevision = machine->Revision();
    const int32_t count = machine->GetMappingCount();
    while (static_cast<int32_t>(rows.size()) > count)
        rows.pop_back();
    while (static_cast<int32_t>(rows.size()) < count) {
        const auto index = static_cast<int32_t>(rows.size());
        rows.push_back(std::make_unique<CMappingGUI>(list.get(), machine, index, CMappingGUI::kHeight * index));
        rows.back()->Show(kShow);
    }
    for (auto& row : rows)
        row->Sync();
    Layout();
}

void CControlChangeMapperGUI::Layout()
{
    const int32_t total = CMappingGUI::kHeight * static_cast<int32_t>(rows.size());
    const int32_t visible = list->Height();
    offset = std::clamp(offset, 0, std::max(0, total - visible));
    // The scroll bar only when the rows are taller than the list.
    if (total > visible) {
        scroll->SetRange(0, total - visible, visible);
        scroll->SetPosition(offset);
        scroll->Show(kShow);
    } else {
        scroll->Show(0);
    }
    const int32_t rowWidth = total > visible ? 316 : 332;
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i]->Move(0, CMappingGUI::kHeight * static_cast<int32_t>(i) - offset, rowWidth, CMappingGUI::kHeight);
}

void CControlChangeMapperGUI::VerticalScroll(int32_t position)
{
    offset = position;
    Layout();
}

void CControlChangeMapperGUI::ButtonCommand(CControl* button)
{
    if (button == add) {
        machine->AddMapping(0, 0);
        Sync();
    }
}

void CControlChangeMapperGUI::ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t)
{
    if (message == kMessageRemove) {
        machine->RemoveMapping(static_cast<int32_t>(p1));
        // The rows after it move up: every row shows its mapping again.
        shownRevision = ~0u;
        rows.clear();
        Sync();
    }
}

void CControlChangeMapperGUI::TimerElapsed(int32_t)
{
    Sync();
}
