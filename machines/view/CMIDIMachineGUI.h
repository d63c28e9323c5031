#pragma once
#include "ui/CControl.h"
#include <memory>

class CComboBox;
class CMIDIInput;
class CMIDIOutput;

// The editors of the MIDI machines (240 x 64): the device list and the
// channel list; the lists show the machine's device and channel on opening.
class CMIDIInputGUI : public CControl {
public:
    CMIDIInputGUI(CControl* parent, CMIDIInput* machine);
    ~CMIDIInputGUI() override;
    void ComboSelectionChanged(CComboBox* combo) override;

    CComboBox* DeviceCombo() const { return devices.get(); }
    CComboBox* ChannelCombo() const { return channels.get(); }

private:
    CMIDIInput* machine;
    std::unique_ptr<CComboBox> devices;
    std::unique_ptr<CComboBox> channels;
};

class CMIDIOutputGUI : public CControl {
public:
    CMIDIOutputGUI(CControl* parent, CMIDIOutput* machine);
    ~CMIDIOutputGUI() override;
    void ComboSelectionChanged(CComboBox* combo) override;

    CComboBox* DeviceCombo() const { return devices.get(); }
    CComboBox* ChannelCombo() const { return channels.get(); }

private:
    CMIDIOutput* machine;
    std::unique_ptr<CComboBox> devices;
    std::unique_ptr<CComboBox> channels;
};
