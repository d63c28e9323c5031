#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CVelmHost;

// Exit statuses of the headless commands.
enum CommandStatus : int {
    COMMAND_OK = 0,
    COMMAND_FAILED = 1,     // nothing written
    COMMAND_INCOMPLETE = 2, // written, but machines of the project could not be loaded
};

// The arguments of one command: positional ones in order and "--name value"
// options. Raises on an unknown option or a missing value.
struct CommandArguments {
    CommandArguments(int argc, char** argv, const std::vector<std::string>& optionNames);

    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    bool Has(const std::string& name) const;
    std::string Text(const std::string& name) const;
    // A number within [lowest, highest]; raises "Invalid Value '%s' For %s".
    double Number(const std::string& name, double fallback, double lowest, double highest) const;
};

// The machine types of the program, for the sessions of headless commands:
// the built-in ones and those of the machine libraries.
void RegisterProgramMachineTypes(CVelmHost& host);

// The status of a command that went through, warning on standard error when
// `missing` machines of the project could not be loaded.
int ProjectCommandStatus(int32_t missing, const std::string& project);

// The usage of every command, for --help (standard output) and for an
// unknown command (standard error).
void PrintUsage(FILE* to);
// "Velmora Studio 0.1".
const char* ProgramVersion();
