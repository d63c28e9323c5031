#pragma once
// Stereo linear-phase low pass from windowed-sinc designs for five
// oversampling factors. The input is treated as zero-stuffed to F times the
// rate and one output is taken per input sample; each design keeps its own
// histories, so switching the factor resumes that design's old history.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"
#include "framework/CMachine.h"
#include <cstdint>
#include <vector>

class CViziRavezFilter : public CMachine {
public:
    static constexpr int32_t kDesigns = 5;
    static constexpr int32_t kZeroCrossings = 8; // on each side of the centre
    // Taps that meet input samples rather than stuffed zeros, per output.
    static constexpr int32_t kInputTaps = 2 * kZeroCrossings + 1;

    // One design: N = 16·F + 1 taps, a history of N samples per channel.
    struct Design {
        int32_t factor = 0;
        std::vector<double> taps;
        double gain = 1.0;
        std::vector<double> history[2];
        int32_t writeIndex = 0;
    };

    explicit CViziRavezFilter(CHost* host);

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return false; }

    // The design index int(4x) for a parameter value, kept inside the bank
    // whatever the value.
    static int32_t DesignIndex(double x);
    static void MakeDesign(Design& design, int32_t factor);
    const Design& GetDesign(int32_t index) const { return designs[index]; }
    int32_t SelectedDesign() const { return DesignIndex(oversampling); }

private:
    double oversampling = 0.0;
    int32_t blockSize;
    Design designs[kDesigns];
    // Per channel: the inputs the block's outputs meet, in order (the
    // kInputTaps − 1 before the block, then the block), with room for the
    // last chunk's unused lanes.
    std::vector<double> inputs[2];
};

class CViziRavezFilterInfo : public CCoreMachineInfo<CEditableMachine<CViziRavezFilter, CoreEditorKind::Filter>> {
public:
    CViziRavezFilterInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT ViziRavez", "VelmPlug::ZT ViziRavez")
    {
    }
};
