#pragma once
#include <string>

// Where the studio keeps its options file: "<config>/Velmora Studio/Velmora.opt",
// with <config> the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config). Empty when the user has neither. The folder and file names are
// the studio's own; this tool shares nothing else with it.
std::string OptionsFileLocation();
