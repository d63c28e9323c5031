#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CDudeRivi.h"

CDudeRiviInfo::CDudeRiviInfo(CHost* host, const CWaveTables* tables) : CDudeRiviInfo(host, tables, false)
{
    name = "ZT DudeRivi";
    identifier = "VelmPlug::ZT DudeRivi";
}

CDudeRiviInfo::CDudeRiviInfo(CHost* host, const CWaveTables* tables, bool polyphonic)
    : host(host), tables(tables), polyphonic(polyphonic)
{
}

CMachine* CDudeRiviInfo::CreateMachine()
{
    return new CDudeRivi(host, tables, polyphonic);
}

CDudeRiviPolyphonicInfo::CDudeRiviPolyphonicInfo(CHost* host, const CWaveTables* tables)
    : CDudeRiviInfo(host, tables, true)
{
    name = "ZT DudeRivi (Polyphonic)";
    identifier = "VelmPlug::ZT DudeRivi (Polyphonic)";
}
