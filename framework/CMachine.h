#pragma once
#include "framework/CBankClient.h"
#include <cstdint>

class CControl;
class CHost;
class CMachineOwner;
class CPort;

// Size of every text buffer handed to a machine's Get...Name/Display/Label
// operations. Machines write at most kMachineTextSize - 1 characters.
inline constexpr int kMachineTextSize = 256;

inline constexpr int kProgramNameSize = 64;

// One preset of a machine's parameters.
struct ProgramRecord {
    int32_t parameterCount;
    double* values;
    char name[kProgramNameSize];
};

// Magic words of the parameter-list state blob.
inline constexpr int32_t kParameterBlobDoubles = 0x50483634; // "PH64"
inline constexpr int32_t kParameterBlobFloats = 0x566D5068;  // "VmPh"

// The machine model shared by the studio, its built-in machines, hosted
// plug-ins and machine libraries. The order of the virtual operations and of
// the fields is binding between the studio and machine libraries.
class CMachine : public CBankClient {
public:
    explicit CMachine(CHost* host);
    ~CMachine() override;

    virtual void Release();
    virtual void Process() = 0;
    virtual void ProcessLate();
    virtual bool GetGUIRect(int32_t* top, int32_t* left, int32_t* right, int32_t* bottom);
    virtual CControl* CreateGUI(CControl* parent);
    virtual void ShowGUI();
    virtual void HideGUI();
    virtual void IdleGUI();
    virtual double GetParameter(int32_t index);
    virtual void SetParameter(int32_t index, double value);
    virtual void SetParameterAutomated(int32_t index, double value);
    virtual void GetParameterName(int32_t index, char* out);
    virtual void GetParameterDisplay(int32_t index, char* out);
    virtual void GetParameterDisplayValue(int32_t index, double value, char* out);
    virtual void GetParameterLabel(int32_t index, char* out);
    virtual void SetProgram(int32_t index);
    virtual void GetProgramName(char* out);
    virtual void SetProgramName(const char* text);
    virtual void GetProgramNameIndexed(int32_t index, char* out);
    virtual int32_t GetProgram();
    virtual void SetSampleRate(int32_t hz) = 0;
    virtual void SetBlockSize(int32_t frames) = 0;
    virtual void ResizeBuffers(int32_t frames);
    virtual void BeginProgramChange();
    virtual void EndProgramChange();
    virtual void SetName(const char* text);
    virtual const char* GetName();
    virtual void LoadState(const void* data, int32_t size, bool isParameterList);
    // The caller frees *data with free().
    virtual void SaveState(void** data, int32_t* size, bool* isParameterList);
    virtual bool IsGenerator() = 0;

    CPort** ports = nullptr;
    int32_t portCount = 0;
    int32_t parameterCount = 0;
    int32_t programCount = 0;
    int32_t currentProgram = 0;
    int32_t noteEventForm = 0; // <= 0: note kinds 1 and 2; > 0: kinds 3 and 4
    CMachineOwner* owner = nullptr;
    CHost* host;
    int32_t typeId = 0;
    int32_t machineNumber = 0;
    char* name = nullptr;
    ProgramRecord* programs = nullptr;
    int32_t programChangeDepth = 0;

protected:
    // Appends a port created with this machine's host; returns it.
    CPort* AddPort(int32_t flags, const char* portName);
    // Frees every port.
    void RemoveAllPorts();
    // Makes `count` program records from the current parameter values,
    // named "Program %03i".
    void CreatePrograms(int32_t count);
    void FreePrograms();
    bool HasCurrentProgram() const;
};
