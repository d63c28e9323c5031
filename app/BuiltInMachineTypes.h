#pragma once

class CVelmHost;

// Registers the studio's own machine types with the host, master first.
void RegisterBuiltInMachineTypes(CVelmHost& host);
