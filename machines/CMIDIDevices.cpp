#include "machines/CMIDIDevices.h"
#include "framework/Errors.h"
#include "platform/OsMidi.h"
#include <algorithm>

MIDIInputDevice::~MIDIInputDevice()
{
    while (openCount > 0)
        Close();
}

void MIDIInputDevice::Open()
{
    if (openCount > 0) {
        ++openCount;
        return;
    }
    std::string error;
    int code = 0;
    handle = platform::MidiInput::Open(name, &MIDIInputDevice::Arrived, this, &error, &code);
    if (!handle)
        Raise("midiInOpen For Device <%s> Failed With Error Code 0x%x (%s)", name.c_str(), static_cast<unsigned>(code),
              error.c_str());
    openCount = 1;
}

void MIDIInputDevice::Close()
{
    if (openCount <= 0)
        return;
    if (--openCount == 0) {
        delete handle;
        handle = nullptr;
    }
}

void MIDIInputDevice::AddHook(Hook hook, void* context)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    if (std::find(hooks.begin(), hooks.end(), std::make_pair(hook, context)) != hooks.end())
        Raise("AddHook: Hook Already Added");
    hooks.emplace_back(hook, context);
}

void MIDIInputDevice::RemoveHook(Hook hook, void* context)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    auto found = std::find(hooks.begin(), hooks.end(), std::make_pair(hook, context));
    if (found == hooks.end())
        Raise("RemoveHook: Not Found");
    hooks.erase(found);
}

void MIDIInputDevice::Arrived(void* self, uint8_t status, uint8_t data1, uint8_t data2)
{
    static_cast<MIDIInputDevice*>(self)->Deliver(status, data1, data2);
}

void MIDIInputDevice::Deliver(uint8_t status, uint8_t data1, uint8_t data2)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    for (const auto& [hook, context] : hooks)
        hook(context, status, data1, data2);
}

MIDIOutputDevice::~MIDIOutputDevice()
{
    while (openCount > 0)
        Close();
}

void MIDIOutputDevice::Open()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (openCount > 0) {
        ++openCount;
        return;
    }
    std::string error;
    int code = 0;
    handle = platform::MidiOutput::Open(name, &error, &code);
    if (!handle)
        Raise("midiOutOpen For Device <%s> Failed With Error Code 0x%x (%s)", name.c_str(), static_cast<unsigned>(code),
              error.c_str());
    openCount = 1;
}

void MIDIOutputDevice::Close()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (openCount <= 0)
        return;
    if (--openCount == 0) {
        delete handle;
        handle = nullptr;
    }
}

void MIDIOutputDevice::Write(uint8_t status, uint8_t data1, uint8_t data2)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!handle)
        Raise("MIDIOutputDevice[%s]::Write() Called But Device Is Not Open", name.c_str());
    handle->Send(status, data1, data2);
}

CMIDIDevices::CMIDIDevices()
{
    Make(platform::MidiInputNames(), platform::MidiOutputNames());
}

CMIDIDevices::CMIDIDevices(const std::vector<std::string>& inputNames, const std::vector<std::string>& outputNames)
{
    Make(inputNames, outputNames);
}

void CMIDIDevices::Make(const std::vector<std::string>& inputNames, const std::vector<std::string>& outputNames)
{
    for (size_t i = 0; i < inputNames.size(); ++i)
        inputs.push_back(new MIDIInputDevice(static_cast<int32_t>(i), inputNames[i]));
    for (size_t i = 0; i < outputNames.size(); ++i)
        outputs.push_back(new MIDIOutputDevice(static_cast<int32_t>(i), outputNames[i]));
}

CMIDIDevices::~CMIDIDevices()
{
    for (MIDIInputDevice* device : inputs)
        delete device;
    for (MIDIOutputDevice* device : outputs)
        delete device;
}

CMIDIDevices& CMIDIDevices::Shared()
{
    static CMIDIDevices devices;
    return devices;
}

MIDIInputDevice* CMIDIDevices::Input(int32_t index) const
{
    return index >= 0 && index < InputCount() ? inputs[index] : nullptr;
}

MIDIOutputDevice* CMIDIDevices::Output(int32_t index) const
{
    return index >= 0 && index < OutputCount() ? outputs[index] : nullptr;
}
