#pragma once
#include <cstdint>

class CBankServer;
class CMachine;
class CMachineInfo;

// What a machine may ask of the studio. The operation order is binding
// between the studio and machine libraries; the host is never destroyed
// through this interface.
class CHost {
public:
    virtual int32_t RegisterMachineInfo(CMachineInfo* info) = 0;
    // 0 and the frequency for notes 0..127; 2 and 0.0 otherwise.
    virtual int32_t GetNoteFrequency(int32_t note, double* frequency) = 0;
    virtual int32_t GetBankServer(CBankServer** server) = 0;
    virtual void ParameterChanged(CMachine* machine, int32_t index, double value) = 0;
    virtual int32_t GetPosition() = 0;
    virtual double GetTempo() = 0;
    virtual double GetTicksPerBeat() = 0;
    virtual int32_t GetSamplesPerTick() = 0;
    virtual int32_t GetSampleRate() = 0;
    virtual int32_t GetBlockSize() = 0;
    // Feature 0: the host has a bank server.
    virtual bool IsFeatureSupported(int32_t feature) = 0;
    virtual int32_t GetCPUFlags() = 0;

protected:
    ~CHost() = default;
};
