#pragma once
#include <cstdio>
#include <string>

class CVelmHost;

// `velmora-studio --list-machines`: every machine type in registration
// order, one per line, "name<TAB>identifier". Identifiers of plug-ins hold
// unprintable codes; those (and backslashes) are written as \xNN.
void PrintMachineTypes(CVelmHost& host, std::FILE* out);
std::string PrintableIdentifier(const char* identifier);
