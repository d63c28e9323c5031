#include "machines/CMIDIOutput.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "machines/CMIDIDevices.h"
#include "machines/MachineEditors.h"
#include "machines/StateBlob.h"
#include "platform/OsThread.h"
#include <algorithm>
#include <cstdio>

CMIDIOutput::CMIDIOutput(CHost* host, CMIDIDevices* devices)
    : CMachine(host), devices(devices), sampleRate(host->GetSampleRate()), blockSize(host->GetBlockSize())
{
    AddPort(PORT_CONTROL_IN, "Control In");
    parameterCount = kControllers;
}

CMIDIOutput::~CMIDIOutput()
{
    SelectDevice(-1);
}

void CMIDIOutput::SelectDevice(int32_t index)
{
    CLockGuard<CMutex> lock(*this);
    if (device) {
        MIDIOutputDevice* leaving = device;
        device = nullptr;
        leaving->Close();
    }
    MIDIOutputDevice* joining = devices ? devices->Output(index) : nullptr;
    if (!joining)
        return;
    joining->Open();
    device = joining;
}

int32_t CMIDIOutput::GetDeviceIndex() const
{
    return device ? device->Id() : -1;
}

void CMIDIOutput::SetChannel(int32_t value)
{
    CLockGuard<CMutex> lock(*this);
    channel = std::clamp(value, 0, 15);
}

uint8_t CMIDIOutput::DataByte(double value)
{
    // Clamped: a value above 1 must not turn into a status byte on the wire.
    if (!(value > 0.0))
        return 0;
    return static_cast<uint8_t>(std::min(static_cast<int>(value * 127), 127));
}

void CMIDIOutput::Process()
{
    CControlBuffer* input = ports[0]->controlBuffer;
    heldBack.Advance(input, blockSize);
    int32_t sentAt = 0;
    MachineEvent event;
    while (input->PopEvent(&event)) {
        if (event.time >= blockSize) {
            // Kept with its time in the next block and sent once, then.
            event.time -= blockSize;
            heldBack.PushEvent(&event);
            continue;
        }
        if (!device)
            continue;
        // Waits only the distance from the previous message, so messages
        // keep their spacing and the block its length.
        if (spacing && event.time > sentAt && sampleRate > 0) {
            int64_t ms = static_cast<int64_t>(event.time - sentAt) * 1000 / sampleRate;
            if (ms > 0) {
                platform::SleepMilliseconds(static_cast<int>(ms));
                sentAt += static_cast<int32_t>(ms * sampleRate / 1000);
            }
        }
        Send(event);
    }
}

void CMIDIOutput::Send(const MachineEvent& event)
{
    const auto status = static_cast<uint8_t>(channel & 0x0f);
    switch (event.kind) {
    case EVENT_NOTE_ON:
        device->Write(0x90 | status, static_cast<uint8_t>(event.key & 0x7f), DataByte(event.value));
        break;
    case EVENT_NOTE_OFF:
        device->Write(0x80 | status, static_cast<uint8_t>(event.key & 0x7f), 0);
        break;
    case EVENT_CONTROL_CHANGE:
        if (event.key >= 0 && event.key <= 127)
            device->Write(0xb0 | status, static_cast<uint8_t>(event.key), DataByte(event.value));
        break;
    default:
        break;
    }
}

double CMIDIOutput::GetParameter(int32_t index)
{
    return index >= 0 && index < kControllers ? values[index] : 0.0;
}

void CMIDIOutput::SetParameter(int32_t index, double value)
{
    if (index < 0 || index >= kControllers)
        return;
    CLockGuard<CMutex> lock(*this);
    values[index] = value;
    // Queued with the held-back events: the render cycle clears the input
    // port at the start of each block, which would lose it there.
    MachineEvent event = MakeEvent(0, EVENT_CONTROL_CHANGE, index, value);
    heldBack.PushEvent(&event);
}

void CMIDIOutput::GetParameterName(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "CC %i", index);
}

void CMIDIOutput::GetParameterDisplay(int32_t index, char* out)
{
    GetParameterDisplayValue(index, GetParameter(index), out);
}

void CMIDIOutput::GetParameterDisplayValue(int32_t, double value, char* out)
{
    std::snprintf(out, kMachineTextSize, "%i", static_cast<int>(value * 127) & 0xff);
}

bool CMIDIOutput::GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom)
{
    *top = 0;
    *left = 0;
    *right = 240;
    *bottom = 64;
    return true;
}

CControl* CMIDIOutput::CreateGUI(CControl* parent)
{
    return MachineEditors::Create(this, parent);
}

void CMIDIOutput::LoadState(const void* data, int32_t size, bool)
{
    if (!data || size != 8)
        return;
    SetChannel(blob::ReadInt32(data, 4));
    SelectDevice(blob::ReadInt32(data, 0));
}

void CMIDIOutput::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    std::vector<uint8_t> bytes;
    blob::AppendInt32(bytes, GetDeviceIndex());
    blob::AppendInt32(bytes, channel);
    blob::Hand(bytes, data, size, isParameterList);
}

CMIDIOutputInfo::CMIDIOutputInfo(CHost* host, CMIDIDevices* devices) : host(host), devices(devices)
{
    name = "ZT MIDI Output";
    identifier = "VelmPlug::ZT MIDI Output";
}

CMachine* CMIDIOutputInfo::CreateMachine()
{
    return new CMIDIOutput(host, devices ? devices : &CMIDIDevices::Shared());
}
