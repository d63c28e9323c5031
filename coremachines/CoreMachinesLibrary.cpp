// The library's entry: builds the shared context, then registers the
// machine types in the library's fixed order.
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CEcho.h"
#include "coremachines/CWaveTables.h"
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
    // The filter, drum machine, kick, mixer, delay and stereo utility types
    // take their places in this order when they are built: filter first,
    // drum machine after Distort, kick and mixer after the echo, then the
    // delay, the joiner and the splitter.
    host->RegisterMachineInfo(new CDudeRiviInfo(host, tables));
    host->RegisterMachineInfo(new CDudeRiviPolyphonicInfo(host, tables));
    host->RegisterMachineInfo(new CCrunchInfo(host, tables));
    host->RegisterMachineInfo(new CDistortInfo(host, tables));
    host->RegisterMachineInfo(new CEchoInfo(host, tables));
    return 0;
}
