#pragma once
#include "studio/CPlugInDiscovery.h"
#include <cstdint>
#include <string>
#include <vector>

class CStudioOptions;
class CVelmHost;

// Registers the machine types found on disk: the machine libraries of the
// "PlugIns" folder beside the program, then the VST plug-ins of the stored
// plug-in paths.
void DiscoverMachineTypes(CVelmHost& host, const CStudioOptions& options);

// What a change of the plug-in paths did to the offered machine types.
struct PluginPathChange {
    int32_t registered = 0; // new types from the added folders
    int32_t withdrawn = 0;  // types no listed folder holds any more
    int32_t offeredAgain = 0;
};

// Brings the machine types in line with a changed plug-in path list while
// the program runs: added folders are scanned (out of process, as at
// start-up) and their types registered; types whose plug-in no listed
// folder holds any more are withdrawn from the offer for new machines
// (machines of them keep running); types of a folder listed again are
// offered again rather than registered twice.
PluginPathChange ApplyPluginPathChange(CVelmHost& host, const std::vector<std::string>& now,
                                       const std::vector<std::string>& before,
                                       const DiscoverySettings& settings = DiscoverySettings::Defaults());
