// The library's entry: builds the shared context, then registers the
// machine types in the library's fixed order.
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CEcho.h"
#include "coremachines/CKick.h"
#include "coremachines/CMixer.h"
#include "coremachines/CStereoJoiner.h"
#include "coremachines/CStereoSplitter.h"
#include "coremachines/CViziRavezFilter.h"
#include "coremachines/CWaveTables.h"
#include "coremachines/view/CoreEditors.h"
#include "framework/CHost.h"
#include "framework/MachineLibrary.h"

namespace {

// Lives until the process ends: libraries are never unloaded.
CWaveTables* context = nullptr;

} // namespace

VELM_LIBRARY_EXPORT int32_t VelmPlugInit(void* module, CHost* host)
{
    context = new CWaveTables(module, host);
    const CWaveTables* tables = context;
    RegisterCoreEditors();
    // The library's type order: project files and the machine menu list
    // them so.
    host->RegisterMachineInfo(new CViziRavezFilterInfo(host, tables));
    host->RegisterMachineInfo(new CDudeRiviInfo(host, tables));
    host->RegisterMachineInfo(new CDudeRiviPolyphonicInfo(host, tables));
    host->RegisterMachineInfo(new CCrunchInfo(host, tables));
    host->RegisterMachineInfo(new CDistortInfo(host, tables));
    host->RegisterMachineInfo(new CDrumKitInfo(host, tables));
    host->RegisterMachineInfo(new CEchoInfo(host, tables));
    host->RegisterMachineInfo(new CKickInfo(host, tables));
    host->RegisterMachineInfo(new CMixerInfo(host, tables));
    host->RegisterMachineInfo(new CDizodirEzavInfo(host, tables));
    host->RegisterMachineInfo(new CStereoJoinerInfo(host, tables));
    host->RegisterMachineInfo(new CStereoSplitterInfo(host, tables));
    return 0;
}
