#pragma once
// Bit crusher: the input is quantised to 2^int((1 − amount)·15 + 1) levels.
#include "coremachines/CWaveShaper.h"
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"

class CCrunch : public CWaveShaper {
public:
    explicit CCrunch(CHost* host);

    // One channel's output for input x with the given (smoothed) settings.
    static double Transfer(double x, double amp, double crunch, double wet, double dry);

protected:
    void Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
               int32_t count) override;

private:
    // The level count for the crunch it was computed for: the crunch only
    // changes while it glides.
    double levelsFor = -1.0;
    double levels = 0.0;
};

class CCrunchInfo : public CCoreMachineInfo<CEditableMachine<CCrunch, CoreEditorKind::Vorize>> {
public:
    CCrunchInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT Vorize", "VelmPlug::ZT Vorize")
    {
    }
};
