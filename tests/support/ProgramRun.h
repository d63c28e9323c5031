#pragma once
// Runs a shell command and collects its standard output line by line.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

struct ProgramRun {
    int status = -1; // as pclose gives it
    std::vector<std::string> lines;
};

inline ProgramRun RunProgram(const std::string& command)
{
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    std::string line;
    while (fgets(buffer.data(), buffer.size(), pipe)) {
        line += buffer.data();
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            run.lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        run.lines.push_back(line);
    run.status = pclose(pipe);
    return run;
}
