#pragma once
#include <string>
#include <vector>

namespace platform {

// The folder that holds the running program file.
std::string ProgramFolder();

// The user's folder for the studio's own files: $XDG_CONFIG_HOME, else
// $HOME/.config, followed by "Velmora Studio". Not created here.
std::string ConfigFolder();

// The plug-in folders used when the options hold none: "x86/VST" and
// "x64/VST" in the folder above the program's folder, then those of the
// usual Linux places that exist: the entries of $VST_PATH, ~/.vst,
// ~/.lxvst, /usr/local/lib/vst, /usr/local/lib/lxvst, /usr/lib/vst,
// /usr/lib/lxvst. No folder appears twice.
std::vector<std::string> DefaultVSTPaths();

} // namespace platform
