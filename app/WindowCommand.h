#pragma once
#include <string>

// Starts the studio with its window, on the given project (double quotes
// around it go) or, when empty, a new project; runs until the window closes.
// Returns the process's exit code.
int RunWindow(int argc, char** argv, const std::string& project);
