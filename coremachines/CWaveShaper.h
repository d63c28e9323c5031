#pragma once
// The frame shared by the stereo waveshaping effects: four parameters
// (amp, amount, wet, dry) with smoothed copies that glide toward them per
// sample, parameter events applied at their sample offsets.
#include "framework/CMachine.h"

struct MachineEvent;

class CWaveShaper : public CMachine {
public:
    enum Parameter : int32_t { AMP = 0, AMOUNT, WET, DRY, PARAMETER_COUNT };

    CWaveShaper(CHost* host, const char* amountName);

    void Process() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }

    double Smoothed(int32_t index) const { return smoothed[index]; }

protected:
    // Shapes `count` frames; calls Smooth() once per frame before using the
    // smoothed values.
    virtual void Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                       int32_t count) = 0;

    // Moves each smoothed value toward its parameter by (difference + 0.1)
    // · 0.0004, never past it.
    void Smooth()
    {
        for (int32_t i = 0; i < PARAMETER_COUNT; ++i) {
            double& s = smoothed[i];
            const double p = values[i];
            if (s < p) {
                s += (p - s + 0.1) * 0.0004;
                if (s > p)
                    s = p;
            } else if (s > p) {
                s -= (s - p + 0.1) * 0.0004;
                if (s < p)
                    s = p;
            }
        }
    }

    double smoothed[PARAMETER_COUNT];

private:
    const char* amountName;
    double values[PARAMETER_COUNT];
};
