#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config.
// Empty when neither variable is set (the caller keeps its defaults).
std::string UserConfigFolder();

// The studio's own folder in it, "Velmora Studio" (options, scan cache);
// empty without a configuration folder. Not created here.
std::string StudioConfigFolder();

// The folder that holds the running program.
std::string ProgramFolder();

std::string ParentFolder(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
bool FolderExists(const std::string& path);

// Creates the folder and any missing parents; an existing folder is fine.
bool CreateFolders(const std::string& path);

// Writes the bytes to a temporary file beside `path`, flushes it to the disk
// and only then renames it over `path`: a crash in between leaves the old
// file in place. False when any step failed (the old file is untouched).
bool ReplaceFileContents(const std::string& path, const void* data, size_t size);

// Folders searched for VST plug-ins by default: "x86/VST" and "x64/VST" in
// the folder above the program's folder, then the usual Linux locations
// ($VST_PATH entries, ~/.vst, ~/.lxvst, /usr/local/lib/vst, /usr/local/lib/lxvst,
// /usr/lib/vst, /usr/lib/lxvst) that exist.
std::vector<std::string> DefaultPluginPaths();

// The user's own samples: "Velmora Studio/Samples" in $XDG_DATA_HOME, else
// in ~/.local/share; empty when neither is set. Not created here.
std::string UserSamplesFolder();

} // namespace platform
