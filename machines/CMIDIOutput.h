#pragma once
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include <cstdint>

class CMIDIDevices;
class MIDIOutputDevice;

// Sends the notes and control changes arriving on "Control In" to a MIDI
// destination, spaced within the block by their frames. Its 128 parameters
// "CC 0" ... "CC 127" send their controller when set or automated.
class CMIDIOutput : public CMachine {
public:
    static constexpr int32_t kControllers = 128;

    CMIDIOutput(CHost* host, CMIDIDevices* devices);
    ~CMIDIOutput() override;

    void Process() override;
    void SetSampleRate(int32_t hz) override { sampleRate = hz; }
    void SetBlockSize(int32_t frames) override { blockSize = frames; }
    bool IsGenerator() override { return false; }
    CControl* CreateGUI(CControl* parent) override;
    bool GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom) override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplay(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;

    void SelectDevice(int32_t index);
    int32_t GetDeviceIndex() const;
    void SetChannel(int32_t value);
    int32_t GetChannel() const { return channel; }
    CMIDIDevices* Devices() const { return devices; }

    // Waiting between messages is left out when off (tests of many blocks).
    void SetSpacing(bool on) { spacing = on; }

    // A data byte from a 0..1 value.
    static uint8_t DataByte(double value);

private:
    void Send(const MachineEvent& event);

    CMIDIDevices* devices;
    MIDIOutputDevice* device = nullptr;
    int32_t channel = 0;
    CControlBuffer heldBack;
    double values[kControllers] = {};
    bool spacing = true;
    int32_t sampleRate;
    int32_t blockSize;
};

class CMIDIOutputInfo : public CMachineInfo {
public:
    CMIDIOutputInfo(CHost* host, CMIDIDevices* devices);
    // Without devices of its own the type uses the program's, listed at the
    // first machine made.
    CMachine* CreateMachine() override;

private:
    CHost* host;
    CMIDIDevices* devices;
};
