#include "app/BuiltInMachineTypes.h"
#include "audio/CStudioOptions.h"
#include "app/MachineDiscovery.h"
#include "app/MachineList.h"
#include "app/PlayCommand.h"
#include "app/ReaderCommands.h"
#include "app/RenderCommand.h"
#include "app/UpgradeCommand.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "platform/OsPaths.h"
#include "studio/CVelmHost.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Until the studio window exists, starting the program plays the demo song
// shipped beside it through the chosen output, as `--play` would.
int PlayDemoSong()
{
    std::string song = platform::JoinPath(platform::JoinPath(platform::ProgramFolder(), "Songs"), "Demo.vmp");
    char* arguments[] = {song.data()};
    return RunPlayCommand(1, arguments);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--render") == 0)
        return RunRenderCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--play") == 0)
        return RunPlayCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--upgrade") == 0)
        return RunUpgradeCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--bank-info") == 0)
        return RunBankInfoCommand(argc - 2, argv + 2);
    if (argc > 1 && std::strcmp(argv[1], "--sample-info") == 0)
        return RunSampleInfoCommand(argc - 2, argv + 2);
    if (argc == 1)
        return PlayDemoSong();
    if (std::strcmp(argv[1], "--list-machines") == 0) {
        try {
            CVelmHost host(44100, 256, platform::DetectFeatureFlags());
            RegisterBuiltInMachineTypes(host);
            CStudioOptions options;
            options.Read();
            DiscoverMachineTypes(host, options);
            PrintMachineTypes(host, stdout);
        } catch (const CError& error) {
            Show("%s", error.Text());
            return 1;
        }
        return 0;
    }
    Show("Unknown Command '%s'", argv[1]);
    return 1;
}
