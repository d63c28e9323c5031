#pragma once
// Drive distortion: y = (4·amp + 1)·(4·drive + 1)^(1 − |u|)·u, clamped.
#include "coremachines/CWaveShaper.h"
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"

class CDistort : public CWaveShaper {
public:
    explicit CDistort(CHost* host);

    // One channel's output for input x with the given (smoothed) settings.
    static double Transfer(double x, double amp, double drive, double wet, double dry);

protected:
    void Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
               int32_t count) override;

private:
    // log2(4·drive + 1) for the drive it was computed for: the drive only
    // changes while it glides.
    double logDriveFor = -1.0;
    double logDrive = 0.0;
};

class CDistortInfo : public CCoreMachineInfo<CEditableMachine<CDistort, CoreEditorKind::Distort>> {
public:
    CDistortInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT Distort", "VelmPlug::ZT Distort")
    {
    }
};
