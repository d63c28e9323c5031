#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace platform {
class MidiInput;
class MidiOutput;
} // namespace platform

// One MIDI source of the system, shared by the machines that listen to it:
// opened while at least one uses it, its messages fanned out to the hooks.
class MIDIInputDevice {
public:
    using Hook = void (*)(void* context, uint8_t status, uint8_t data1, uint8_t data2);

    MIDIInputDevice(int32_t id, std::string name) : id(id), name(std::move(name)) {}
    ~MIDIInputDevice();
    MIDIInputDevice(const MIDIInputDevice&) = delete;
    MIDIInputDevice& operator=(const MIDIInputDevice&) = delete;

    void Open();
    void Close();
    void AddHook(Hook hook, void* context);
    void RemoveHook(Hook hook, void* context);

    int32_t Id() const { return id; }
    const std::string& Name() const { return name; }
    int32_t OpenCount() const { return openCount; }

    // What the system's callback does with each message; public so that a
    // test can stand in for the system.
    void Deliver(uint8_t status, uint8_t data1, uint8_t data2);

private:
    static void Arrived(void* self, uint8_t status, uint8_t data1, uint8_t data2);

    int32_t id;
    std::string name;
    std::mutex hookMutex; // held while hooks run, so a removed hook is never called after
    std::vector<std::pair<Hook, void*>> hooks;
    int32_t openCount = 0;
    platform::MidiInput* handle = nullptr;
};

// One MIDI destination of the system, shared like an input.
class MIDIOutputDevice {
public:
    MIDIOutputDevice(int32_t id, std::string name) : id(id), name(std::move(name)) {}
    ~MIDIOutputDevice();
    MIDIOutputDevice(const MIDIOutputDevice&) = delete;
    MIDIOutputDevice& operator=(const MIDIOutputDevice&) = delete;

    void Open();
    void Close();
    void Write(uint8_t status, uint8_t data1, uint8_t data2);

    int32_t Id() const { return id; }
    const std::string& Name() const { return name; }
    int32_t OpenCount() const { return openCount; }

private:
    int32_t id;
    std::string name;
    std::mutex mutex;
    int32_t openCount = 0;
    platform::MidiOutput* handle = nullptr;
};

// The system's MIDI devices, listed once when made (at start-up).
class CMIDIDevices {
public:
    CMIDIDevices();
    // For tests: these names instead of the system's.
    CMIDIDevices(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);
    ~CMIDIDevices();
    CMIDIDevices(const CMIDIDevices&) = delete;
    CMIDIDevices& operator=(const CMIDIDevices&) = delete;

    int32_t InputCount() const { return static_cast<int32_t>(inputs.size()); }
    int32_t OutputCount() const { return static_cast<int32_t>(outputs.size()); }
    MIDIInputDevice* Input(int32_t index) const;
    MIDIOutputDevice* Output(int32_t index) const;

    // The program's devices, listed at the first use.
    static CMIDIDevices& Shared();

private:
    void Make(const std::vector<std::string>& inputNames, const std::vector<std::string>& outputNames);

    std::vector<MIDIInputDevice*> inputs;
    std::vector<MIDIOutputDevice*> outputs;
};
