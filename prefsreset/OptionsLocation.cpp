#include "OptionsLocation.h"
#include <cstdlib>

std::string OptionsFileLocation()
{
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        folder = config;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::string(home) + "/.config";
    else
        return {};
    return folder + "/Velmora Studio/Velmora.opt";
}
