#pragma once
// The two DudeRivi machine types: one voice, and sixteen.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CDudeRivi.h"
#include "coremachines/CEditableMachine.h"

using CDudeRiviWithEditor = CEditableMachine<CDudeRivi, CoreEditorKind::DudeRivi>;

class CDudeRiviInfo : public CCoreMachineInfo<CDudeRiviWithEditor, false> {
public:
    CDudeRiviInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DudeRivi", "VelmPlug::ZT DudeRivi")
    {
    }
};

class CDudeRiviPolyphonicInfo : public CCoreMachineInfo<CDudeRiviWithEditor, true> {
public:
    CDudeRiviPolyphonicInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DudeRivi (Polyphonic)", "VelmPlug::ZT DudeRivi (Polyphonic)")
    {
    }
};
