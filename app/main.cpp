#include "app/BuiltInMachineTypes.h"
#include "audio/CStudioOptions.h"
#include "app/MachineDiscovery.h"
#include "app/MachineList.h"
#include "app/PlayCommand.h"
#include "app/RenderCommand.h"
#include "app/UpgradeCommand.h"
#include "app/WindowCommand.h"
#include "app/CApplication.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "platform/OsPaths.h"
#include "platform/OsShell.h"
#include "studio/CVelmHost.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string DemoSong()
{
    return platform::JoinPath(platform::JoinPath(platform::ProgramFolder(), "Songs"), "Demo.vmp");
}

// Without a display the project (or the demo song shipped beside the
// program) plays through the chosen output, as `--play` would.
int PlayWithoutWindow(std::string project, const std::string& why)
{
    std::fprintf(stderr, "No window: %s; playing '%s' without one (Ctrl-C ends it)\n", why.c_str(),
                 project.c_str());
    char* arguments[] = {project.data()};
    return RunPlayCommand(1, arguments);
}

// The window needs a display: Qt's offscreen platform shows nothing, and
// without a platform named an X11 display must be there.
bool CanOpenWindow(std::string* why)
{
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName && std::strcmp(platformName, "offscreen") == 0) {
        *why = "QT_QPA_PLATFORM is \"offscreen\"";
        return false;
    }
    if (platformName && *platformName)
        return true;
    if (!platform::HasDisplay(why))
        return false;
    // Plug-in editors are X11 windows: under Wayland go through XWayland.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
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
    if (argc == 1 || std::strncmp(argv[1], "--", 2) != 0) {
        if (argc > 2) {
            Show("Usage: velmora-studio [PROJECT.vmp]");
            return 1;
        }
        const std::string project = argc == 1 ? std::string() : std::string(argv[1]);
        std::string why;
        if (!CanOpenWindow(&why))
            return PlayWithoutWindow(project.empty() ? DemoSong() : CApplication::CommandLineProject(project), why);
        return RunWindow(1, argv, project);
    }
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
