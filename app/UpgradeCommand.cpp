#include "app/UpgradeCommand.h"
#include "app/CStudioSession.h"
#include "app/CommandLine.h"
#include "framework/Errors.h"
#include <cstdio>

int RunUpgradeCommand(int argc, char** argv)
{
    try {
        CommandArguments arguments(argc, argv, {});
        if (arguments.positional.size() != 2)
            Raise("Usage: velmora-studio --upgrade IN.vmp OUT.vmp");
        CStudioSession session(44100, 256, RegisterProgramMachineTypes);
        const int32_t missing = session.LoadProject(arguments.positional[0]);
        session.SaveProject(arguments.positional[1]);
        if (missing > 0) {
            std::fprintf(stderr, "Warning: %d machine(s) could not be loaded and were left out of '%s'\n", missing,
                         arguments.positional[1].c_str());
            return COMMAND_INCOMPLETE;
        }
        return COMMAND_OK;
    } catch (const CError& error) {
        Show("%s", error.Text());
        return COMMAND_FAILED;
    }
}
