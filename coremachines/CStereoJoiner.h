#pragma once
// Turns two mono connections into one stereo one, samples unchanged; lets
// mono machines take part in stereo chains.
#include "coremachines/CCoreMachineInfo.h"
#include "framework/CMachine.h"

class CStereoJoiner : public CMachine {
public:
    explicit CStereoJoiner(CHost* host);

    void Process() override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t frames) override { blockSize = frames; }
    bool IsGenerator() override { return false; }

private:
    int32_t blockSize;
};

class CStereoJoinerInfo : public CCoreMachineInfo<CStereoJoiner> {
public:
    CStereoJoinerInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT StereoJoiner", "VelmPlug::ZT StereoJoiner")
    {
    }
};
