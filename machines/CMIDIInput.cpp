#include "machines/CMIDIInput.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "machines/CMIDIDevices.h"
#include "machines/MachineEditors.h"
#include "machines/StateBlob.h"
#include "platform/OsTime.h"
#include <algorithm>
#include <cstring>

namespace {
constexpr int64_t kNanosecondsPerSecond = 1000000000;

void Stamp(MachineEvent& event, int64_t stamp)
{
    std::memcpy(event.reserved, &stamp, sizeof stamp);
}

int64_t StampOf(const MachineEvent& event)
{
    int64_t stamp;
    std::memcpy(&stamp, event.reserved, sizeof stamp);
    return stamp;
}
} // namespace

CMIDIInput::CMIDIInput(CHost* host, CMIDIDevices* devices)
    : CMachine(host), devices(devices), counterFrequency(kNanosecondsPerSecond), sampleRate(host->GetSampleRate()),
      blockSize(host->GetBlockSize())
{
    AddPort(PORT_CONTROL_OUT, "Control Out");
}

CMIDIInput::~CMIDIInput()
{
    SelectDevice(-1);
}

void CMIDIInput::SelectDevice(int32_t index)
{
    // The machine lock is not held around the device calls: the device's
    // callback holds its hook lock while it takes the machine lock.
    if (device) {
        MIDIInputDevice* leaving = device;
        {
            CLockGuard<CMutex> lock(*this);
            device = nullptr;
        }
        leaving->RemoveHook(&CMIDIInput::Hook, this);
        leaving->Close();
    }
    MIDIInputDevice* joining = devices ? devices->Input(index) : nullptr;
    if (!joining)
        return;
    joining->AddHook(&CMIDIInput::Hook, this);
    try {
        joining->Open();
    } catch (...) {
        joining->RemoveHook(&CMIDIInput::Hook, this);
        throw;
    }
    CLockGuard<CMutex> lock(*this);
    device = joining;
}

int32_t CMIDIInput::GetDeviceIndex() const
{
    return device ? device->Id() : -1;
}

void CMIDIInput::SetChannelFilter(int32_t channel)
{
    CLockGuard<CMutex> lock(*this);
    channelFilter = channel >= 0 && channel <= 15 ? channel : -1;
}

void CMIDIInput::Hook(void* self, uint8_t status, uint8_t data1, uint8_t data2)
{
    static_cast<CMIDIInput*>(self)->Receive(status, data1, data2);
}

void CMIDIInput::Receive(uint8_t status, uint8_t data1, uint8_t data2)
{
    int64_t stamp = platform::PerformanceCounterNs();
    CLockGuard<CMutex> lock(*this);
    const int32_t channel = status & 0x0f;
    if (channelFilter != -1 && channelFilter != channel)
        return;
    const double value = data2 * (1.0 / 127.0);
    MachineEvent event;
    const uint8_t type = status & 0xf0;
    if (type == 0x90 && data2 > 0) {
        double frequency = 0.0;
        host->GetNoteFrequency(data1, &frequency);
        event = MakeEvent(0, EVENT_NOTE_ON, data1, value, frequency);
    } else if (type == 0x90 || type == 0x80) {
        event = MakeEvent(0, EVENT_NOTE_OFF, data1, 0.0);
    } else if (type == 0xb0) {
        event = MakeEvent(0, EVENT_CONTROL_CHANGE, data1, value);
    } else {
        return;
    }
    Stamp(event, stamp);
    // The queue keeps arrival order by this running number; with equal
    // times it would put note-offs first.
    event.time = arrivals++ & 0x3fffffff;
    incoming.PushEvent(&event);
}

void CMIDIInput::Process()
{
    CControlBuffer* output = ports[0]->controlBuffer;
    heldBack.CopyTo(&incoming);
    heldBack.Clear();
    const int64_t now = platform::PerformanceCounterNs();
    int64_t previous = -1;
    MachineEvent event;
    while (incoming.PopEvent(&event)) {
        // Frames from the start of this block to 80 ms after the arrival.
        int64_t offset = static_cast<int64_t>(sampleRate) *
                         (counterFrequency * kPlacementMs / 1000 + StampOf(event) - now) / counterFrequency;
        if (offset < 0)
            offset = 0;
        // Messages that came together (one JACK period brings several)
        // keep their order: a note-off at the frame of its note-on would
        // otherwise go first and leave the note hanging.
        if (event.IsNoteOff() && offset <= previous)
            offset = previous + 1;
        offset = std::max(offset, previous);
        previous = offset;
        if (offset < blockSize) {
            event.time = static_cast<int32_t>(offset);
            output->PushEvent(&event);
        } else {
            heldBack.PushEvent(&event);
        }
    }
}

bool CMIDIInput::GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom)
{
    *top = 0;
    *left = 0;
    *right = 240;
    *bottom = 64;
    return true;
}

CControl* CMIDIInput::CreateGUI(CControl* parent)
{
    return MachineEditors::Create(this, parent);
}

void CMIDIInput::LoadState(const void* data, int32_t size, bool)
{
    if (!data || size != 8)
        return;
    SetChannelFilter(blob::ReadInt32(data, 4));
    SelectDevice(blob::ReadInt32(data, 0));
}

void CMIDIInput::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    std::vector<uint8_t> bytes;
    blob::AppendInt32(bytes, GetDeviceIndex());
    blob::AppendInt32(bytes, channelFilter);
    blob::Hand(bytes, data, size, isParameterList);
}

CMIDIInputInfo::CMIDIInputInfo(CHost* host, CMIDIDevices* devices) : host(host), devices(devices)
{
    name = "ZT MIDI Input";
    identifier = "VelmPlug::ZT MIDI Input";
}

CMachine* CMIDIInputInfo::CreateMachine()
{
    return new CMIDIInput(host, devices ? devices : &CMIDIDevices::Shared());
}
