#pragma once
// Turns one stereo connection into two mono ones, samples unchanged.
#include "coremachines/CCoreMachineInfo.h"
#include "framework/CMachine.h"

class CStereoSplitter : public CMachine {
public:
    explicit CStereoSplitter(CHost* host);

    void Process() override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t frames) override { blockSize = frames; }
    bool IsGenerator() override { return false; }

private:
    int32_t blockSize;
};

class CStereoSplitterInfo : public CCoreMachineInfo<CStereoSplitter> {
public:
    CStereoSplitterInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT StereoSplitter", "VelmPlug::ZT StereoSplitter")
    {
    }
};
