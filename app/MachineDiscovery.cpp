#include "app/MachineDiscovery.h"
#include "audio/CStudioOptions.h"
#include "platform/OsPaths.h"
#include "studio/CPlugInDiscovery.h"

namespace {
constexpr const char* kPlugInFolder = "PlugIns";
}

void DiscoverMachineTypes(CVelmHost& host, const CStudioOptions& options)
{
    CPlugInDiscovery discovery(&host, DiscoverySettings::Defaults());
    discovery.ScanMachineLibraries(platform::JoinPath(platform::ProgramFolder(), kPlugInFolder));
    discovery.ScanVSTFolders(options.pluginPaths);
}
