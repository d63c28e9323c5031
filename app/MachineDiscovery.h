#pragma once

class CStudioOptions;
class CVelmHost;

// Registers the machine types found on disk: the machine libraries of the
// "PlugIns" folder beside the program, then the VST plug-ins of the stored
// plug-in paths.
void DiscoverMachineTypes(CVelmHost& host, const CStudioOptions& options);
