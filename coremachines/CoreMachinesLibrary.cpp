// The library's entry: builds the shared context, then registers the
// machine types in the library's fixed order.
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CEcho.h"
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
    // The library's type order; the types not built yet join where the
    // bracketed notes stand.
    // [the filter]
    host->RegisterMachineInfo(new CDudeRiviInfo(host, tables));
    host->RegisterMachineInfo(new CDudeRiviPolyphonicInfo(host, tables));
    host->RegisterMachineInfo(new CCrunchInfo(host, tables));
    host->RegisterMachineInfo(new CDistortInfo(host, tables));
    // [the drum machine]
    host->RegisterMachineInfo(new CEchoInfo(host, tables));
    // [the kick, the mixer, the delay, the stereo joiner and splitter]
    return 0;
}
