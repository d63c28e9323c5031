#include "machines/view/CMIDIMachineGUI.h"
#include "framework/Errors.h"
#include "machines/CMIDIDevices.h"
#include "machines/CMIDIInput.h"
#include "machines/CMIDIOutput.h"
#include "ui/CComboBox.h"
#include <QWidget>

namespace {

std::unique_ptr<CComboBox> MakeCombo(CControl* parent, int32_t y, const char* name)
{
    auto combo = std::make_unique<CComboBox>(parent, 8, y, 224, 20);
    combo->Window()->setObjectName(name);
    combo->Show(kShow);
    return combo;
}

void AddChannels(CComboBox& combo)
{
    for (int i = 1; i <= 16; ++i)
        combo.AddString(FormatText("Channel %i", i).c_str());
}

// A device that fails to open is told; the machine is then without one.
template <typename Machine>
void Select(Machine* machine, int32_t index)
{
    try {
        machine->SelectDevice(index);
    } catch (const CError& error) {
        Show("%s", error.Text());
    }
}

} // namespace

CMIDIInputGUI::CMIDIInputGUI(CControl* parent, CMIDIInput* machine)
    : CControl(parent, "MIDIInputGUI", 0, 0, 240, 64), machine(machine)
{
    devices = MakeCombo(this, 8, "DeviceCombo");
    channels = MakeCombo(this, 36, "ChannelCombo");
    CMIDIDevices* list = machine->Devices();
    for (int32_t i = 0; list && i < list->InputCount(); ++i)
        devices->AddString(list->Input(i)->Name().c_str());
    devices->SetCurSel(machine->GetDeviceIndex());
    channels->AddString("All Channels");
    AddChannels(*channels);
    channels->SetCurSel(machine->GetChannelFilter() + 1);
}

CMIDIInputGUI::~CMIDIInputGUI() = default;

void CMIDIInputGUI::ComboSelectionChanged(CComboBox* combo)
{
    if (combo == devices.get()) {
        Select(machine, devices->GetCurSel());
        devices->SetCurSel(machine->GetDeviceIndex());
    } else if (combo == channels.get()) {
        machine->SetChannelFilter(channels->GetCurSel() - 1);
    }
}

CMIDIOutputGUI::CMIDIOutputGUI(CControl* parent, CMIDIOutput* machine)
    : CControl(parent, "MIDIOutputGUI", 0, 0, 240, 64), machine(machine)
{
    devices = MakeCombo(this, 8, "DeviceCombo");
    channels = MakeCombo(this, 36, "ChannelCombo");
    CMIDIDevices* list = machine->Devices();
    for (int32_t i = 0; list && i < list->OutputCount(); ++i)
        devices->AddString(list->Output(i)->Name().c_str());
    devices->SetCurSel(machine->GetDeviceIndex());
    AddChannels(*channels);
    channels->SetCurSel(machine->GetChannel());
}

CMIDIOutputGUI::~CMIDIOutputGUI() = default;

void CMIDIOutputGUI::ComboSelectionChanged(CComboBox* combo)
{
    if (combo == devices.get()) {
        Select(machine, devices->GetCurSel());
        devices->SetCurSel(machine->GetDeviceIndex());
    } else if (combo == channels.get()) {
        machine->SetChannel(channels->GetCurSel());
    }
}
