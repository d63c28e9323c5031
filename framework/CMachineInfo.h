#pragma once

class CMachine;

// A machine type: its display name, the identifier that project files
// store, and the factory of its machines. Released, never deleted, by
// whoever did not create it.
class CMachineInfo {
public:
    CMachineInfo() = default;
    virtual ~CMachineInfo() = default;
    CMachineInfo(const CMachineInfo&) = delete;
    CMachineInfo& operator=(const CMachineInfo&) = delete;

    virtual void Release() { delete this; }
    virtual CMachine* CreateMachine() = 0;

    const char* name = "New Machine";
    const char* identifier = "";
    void* extra1 = nullptr;
    void* extra2 = nullptr;
};
