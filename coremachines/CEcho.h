#pragma once
// Stereo echo with four independent lines per channel, each with its own
// time, feedback, LFO-swept low pass in the loop, and wet and dry levels.
#include "coremachines/CDelayLine.h"
#include "coremachines/CScratchBuffer.h"
#include "coremachines/CTableOscillator.h"
#include "framework/CMachine.h"
#include "coremachines/CCoreMachineInfo.h"
#include <cmath>
#include <memory>

class CWaveTables;

class CEcho : public CMachine {
public:
    static constexpr int32_t kLines = 4;
    static constexpr int32_t kParametersPerLine = 8;
    static constexpr int32_t kParameterCount = kLines * kParametersPerLine;
    enum LineParameter : int32_t {
        DELAY_TIME = 0,
        FEEDBACK,
        FILTER_FREQUENCY,
        FILTER_BANDWIDTH,
        LFO_AMOUNT,
        LFO_RATE,
        WET_LEVEL,
        DRY_LEVEL,
    };

    CEcho(CHost* host, const CWaveTables* tables);

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return false; }

    // Line n (0..3) of the left (0) or right (1) channel.
    const CDelayLine& Line(int32_t channel, int32_t n) const { return *lines[channel][n]; }

    // Delay time in seconds for a knob value.
    static double DelaySeconds(double x) { return (std::exp2(x) - 1.0) * 0.99 + 0.01; }

private:
    double values[kParameterCount];
    std::unique_ptr<CDelayLine> lines[2][kLines];
    std::unique_ptr<CTableOscillator> lfos[kLines];
    double lfoAmount[kLines] = {};
    double wet[kLines] = {};
    double dry[kLines] = {};
    CScratchBuffer lineOutput;
    CScratchBuffer modulation;
};

class CEchoInfo : public CCoreMachineInfo<CEcho> {
public:
    CEchoInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT ZezaRazad", "VelmPlug::ZT ZezaRazad")
    {
    }
};
