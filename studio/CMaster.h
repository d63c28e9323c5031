#pragma once
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"

// The master machine: its inputs feed the output driver. It does no
// processing of its own; the render cycle reads its inputs.
class CMaster : public CMachine {
public:
    explicit CMaster(CHost* host);

    void Process() override {}
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }

    // Makes the inputs fit a driver with `channels` outputs: one mono
    // "Line In" for 1, one stereo "Line In" for 2, n mono "Channel %i" for
    // n > 2. False, and nothing changes, when they already fit.
    virtual bool RebuildInputPorts(int32_t channels);

private:
    bool PortsFit(int32_t channels) const;
};

class CMasterInfo : public CMachineInfo {
public:
    explicit CMasterInfo(CHost* host);
    CMachine* CreateMachine() override { return new CMaster(host); }

private:
    CHost* host;
};
