#include "app/CommandLine.h"
#include "app/BuiltInMachineTypes.h"
#include "audio/CStudioOptions.h"
#include "app/MachineDiscovery.h"
#include "framework/Errors.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

CommandArguments::CommandArguments(int argc, char** argv, const std::vector<std::string>& optionNames)
{
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.rfind("--", 0) != 0) {
            positional.push_back(argument);
            continue;
        }
        if (std::find(optionNames.begin(), optionNames.end(), argument) == optionNames.end())
            Raise("Unknown Option '%s'", argument.c_str());
        if (i + 1 >= argc)
            Raise("Missing Value For %s", argument.c_str());
        options.emplace_back(argument, argv[++i]);
    }
}

bool CommandArguments::Has(const std::string& name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto& option) { return option.first == name; });
}

std::string CommandArguments::Text(const std::string& name) const
{
    std::string value;
    for (const auto& option : options) {
        if (option.first == name)
            value = option.second; // the last one given counts
    }
    return value;
}

double CommandArguments::Number(const std::string& name, double fallback, double lowest, double highest) const
{
    if (!Has(name))
        return fallback;
    std::string text = Text(name);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < lowest || value > highest)
        Raise("Invalid Value '%s' For %s", text.c_str(), name.c_str());
    return value;
}

void RegisterProgramMachineTypes(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    // The options are only read: a headless command leaves them as they are.
    CStudioOptions options;
    options.Read();
    DiscoverMachineTypes(host, options);
}

int ProjectCommandStatus(int32_t missing, const std::string& project)
{
    if (missing <= 0)
        return COMMAND_OK;
    std::fprintf(stderr, "Warning: %d machine(s) of '%s' could not be loaded and are silent\n", missing,
                 project.c_str());
    return COMMAND_INCOMPLETE;
}

void PrintUsage(FILE* to)
{
    std::fprintf(to, "Usage: velmora-studio [PROJECT.vmp | COMMAND]\n"
                     "Without a command the studio's window opens, on the project if one is given;\n"
                     "without a display the project (or the demo song) plays without a window.\n"
                     "\n"
                     "Commands:\n"
                     "  --play PROJECT.vmp [--driver \"Null\"|\"Wave Out\"|\"ASIO\"] [--device NAME] [--seconds S]\n"
                     "         [--record all]\n"
                     "        play a project in real time through an output driver (--record all:\n"
                     "        every HD track with a file records)\n"
                     "  --render PROJECT.vmp OUT.wav [--seconds S] [--rate HZ] [--block FRAMES]\n"
                     "        render a project's song into a WAV file\n"
                     "  --upgrade IN.vmp OUT.vmp\n"
                     "        write a project again in the current file format\n"
                     "  --list-machines\n"
                     "        list the machine types the program knows\n"
                     "  --bank-info FILE.sf2\n"
                     "        print a SoundFont bank's name, information items and presets\n"
                     "  --sample-info FILE.wav\n"
                     "        print what the sample reader finds in a WAV file\n"
                     "  --help\n"
                     "        print this text\n"
                     "  --version\n"
                     "        print the program's version\n"
                     "\n"
                     "Exit status: 0 done, 1 failed, 2 done but machines of the project could not be loaded.\n");
}

const char* ProgramVersion()
{
    return "Velmora Studio " VELMORA_VERSION;
}
