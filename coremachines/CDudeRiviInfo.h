#pragma once
// The two DudeRivi machine types: one voice, and sixteen.
#include "framework/CMachineInfo.h"

class CHost;
class CWaveTables;

class CDudeRiviInfo : public CMachineInfo {
public:
    CDudeRiviInfo(CHost* host, const CWaveTables* tables);
    CMachine* CreateMachine() override;

protected:
    CDudeRiviInfo(CHost* host, const CWaveTables* tables, bool polyphonic);

private:
    CHost* host;
    const CWaveTables* tables;
    bool polyphonic;
};

class CDudeRiviPolyphonicInfo : public CDudeRiviInfo {
public:
    CDudeRiviPolyphonicInfo(CHost* host, const CWaveTables* tables);
};
