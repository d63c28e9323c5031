#include "app/BuiltInMachineTypes.h"
#include "app/CStudioOptions.h"
#include "app/MachineDiscovery.h"
#include "app/MachineList.h"
#include "app/PlayCommand.h"
#include "app/RenderCommand.h"
#include "app/UpgradeCommand.h"
#include "framework/CMachineInfo.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "studio/CVelmHost.h"
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--render") == 0)
        return RunRenderCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--play") == 0)
        return RunPlayCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--upgrade") == 0)
        return RunUpgradeCommand(argc - 2, argv + 2);
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
