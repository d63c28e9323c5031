#pragma once
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include <cstdint>

class CMIDIDevices;
class MIDIInputDevice;

// Turns the notes and control changes of a MIDI source into events on
// "Control Out", each placed 80 ms after its arrival at its own frame.
class CMIDIInput : public CMachine {
public:
    static constexpr int64_t kPlacementMs = 80;

    CMIDIInput(CHost* host, CMIDIDevices* devices);
    ~CMIDIInput() override;

    void Process() override;
    void SetSampleRate(int32_t hz) override { sampleRate = hz; }
    void SetBlockSize(int32_t frames) override { blockSize = frames; }
    bool IsGenerator() override { return true; }
    CControl* CreateGUI(CControl* parent) override;
    bool GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;

    // Leaves the current device and joins device `index` (-1: none).
    void SelectDevice(int32_t index);
    int32_t GetDeviceIndex() const;
    // -1 for all channels, else 0..15.
    void SetChannelFilter(int32_t channel);
    int32_t GetChannelFilter() const { return channelFilter; }
    CMIDIDevices* Devices() const { return devices; }

    // The message as the device hook receives it, stamped now.
    void Receive(uint8_t status, uint8_t data1, uint8_t data2);

private:
    static void Hook(void* self, uint8_t status, uint8_t data1, uint8_t data2);

    CMIDIDevices* devices;
    MIDIInputDevice* device = nullptr;
    int32_t channelFilter = -1;
    CControlBuffer incoming;
    CControlBuffer heldBack;
    uint32_t arrivals = 0;
    int64_t counterFrequency; // ticks per second of the clock that stamps arrivals
    int32_t sampleRate;
    int32_t blockSize;
};

class CMIDIInputInfo : public CMachineInfo {
public:
    CMIDIInputInfo(CHost* host, CMIDIDevices* devices);
    // Without devices of its own the type uses the program's, listed at the
    // first machine made.
    CMachine* CreateMachine() override;

private:
    CHost* host;
    CMIDIDevices* devices;
};
