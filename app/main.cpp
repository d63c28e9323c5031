#include "app/MachineList.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "platform/OsFiles.h"
#include "platform/OsPaths.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVelmHost.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlugInFolder = "PlugIns";

void DiscoverMachineTypes(CVelmHost& host)
{
    CPlugInDiscovery discovery(&host, DiscoverySettings::Defaults());
    discovery.ScanMachineLibraries(platform::JoinPath(platform::ProgramFolder(), kPlugInFolder));
    discovery.ScanVSTFolders(platform::DefaultVSTPaths());
}

} // namespace

int main(int argc, char** argv)
{
    try {
        CVelmHost host(44100, 256, platform::DetectFeatureFlags());
        if (argc > 1 && std::strcmp(argv[1], "--list-machines") == 0) {
            DiscoverMachineTypes(host);
            PrintMachineTypes(host, stdout);
            return 0;
        }
        std::printf("Velmora Studio: %d machine types\n", host.GetMachineTypeCount());
    } catch (const CError& error) {
        Show("%s", error.Text());
        return 1;
    }
    return 0;
}
