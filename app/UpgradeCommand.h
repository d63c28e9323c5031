#pragma once

// velmora-studio --upgrade IN.vmp OUT.vmp
// Loads a project of any readable version and saves it in the current one;
// `argv` holds the arguments after "--upgrade". Returns a CommandStatus.
int RunUpgradeCommand(int argc, char** argv);
