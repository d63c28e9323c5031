#include "app/BuiltInMachineTypes.h"
#include "app/CStudioOptions.h"
#include "app/MachineList.h"
#include "framework/CMachineInfo.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "platform/OsPaths.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVelmHost.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlugInFolder = "PlugIns";

// Machine libraries from "PlugIns" beside the program, then the VST
// plug-ins of the stored plug-in paths.
void DiscoverMachineTypes(CVelmHost& host, const CStudioOptions& options)
{
    CPlugInDiscovery discovery(&host, DiscoverySettings::Defaults());
    discovery.ScanMachineLibraries(platform::JoinPath(platform::ProgramFolder(), kPlugInFolder));
    discovery.ScanVSTFolders(options.pluginPaths);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        CVelmHost host(44100, 256, platform::DetectFeatureFlags());
        RegisterBuiltInMachineTypes(host);
        if (argc > 1 && std::strcmp(argv[1], "--list-machines") == 0) {
            CStudioOptions options;
            options.Read();
            DiscoverMachineTypes(host, options);
            PrintMachineTypes(host, stdout);
            return 0;
        }
        std::printf("Velmora Studio: %d machine types\n", host.GetMachineTypeCount());
        for (int32_t i = 0; i < host.GetMachineTypeCount(); ++i) {
            CMachineInfo* info = host.GetMachineType(i);
            std::printf("%s\t%s\n", info->name, info->identifier);
        }
    } catch (const CError& error) {
        Show("%s", error.Text());
        return 1;
    }
    return 0;
}
