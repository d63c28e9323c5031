#pragma once
// The two DudeRivi machine types: one voice, and sixteen.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CDudeRivi.h"

class CDudeRiviInfo : public CCoreMachineInfo<CDudeRivi, false> {
public:
    CDudeRiviInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DudeRivi", "VelmPlug::ZT DudeRivi")
    {
    }
};

class CDudeRiviPolyphonicInfo : public CCoreMachineInfo<CDudeRivi, true> {
public:
    CDudeRiviPolyphonicInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DudeRivi (Polyphonic)", "VelmPlug::ZT DudeRivi (Polyphonic)")
    {
    }
};
