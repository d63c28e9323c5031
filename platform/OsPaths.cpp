#include "platform/OsPaths.h"
#include "platform/OsFiles.h"
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr const char* kConfigFolderName = "Velmora Studio";

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* user = getpwuid(getuid()); user && user->pw_dir)
        return user->pw_dir;
    return "/";
}

void AddOnce(std::vector<std::string>& paths, const std::string& path)
{
    if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
        paths.push_back(path);
}

} // namespace

std::string ProgramFolder()
{
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error).string();
    return program.parent_path().string();
}

std::string ConfigFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // The base directory specification asks to ignore relative values.
    std::string base = config && config[0] == '/' ? std::string(config) : JoinPath(HomeFolder(), ".config");
    return JoinPath(base, kConfigFolderName);
}

std::vector<std::string> DefaultVSTPaths()
{
    std::vector<std::string> paths;
    std::string above = fs::path(ProgramFolder()).parent_path().string();
    AddOnce(paths, JoinPath(above, "x86/VST"));
    AddOnce(paths, JoinPath(above, "x64/VST"));

    std::vector<std::string> conventional;
    if (const char* list = std::getenv("VST_PATH")) {
        std::string entries(list);
        size_t start = 0;
        while (start <= entries.size()) {
            size_t end = entries.find(':', start);
            if (end == std::string::npos)
                end = entries.size();
            conventional.push_back(entries.substr(start, end - start));
            start = end + 1;
        }
    }
    const std::string home = HomeFolder();
    for (const char* folder : {".vst", ".lxvst"})
        conventional.push_back(JoinPath(home, folder));
    for (const char* folder : {"/usr/local/lib/vst", "/usr/local/lib/lxvst", "/usr/lib/vst", "/usr/lib/lxvst"})
        conventional.push_back(folder);
    for (const std::string& folder : conventional) {
        if (!folder.empty() && IsDirectory(folder))
            AddOnce(paths, folder);
    }
    return paths;
}

} // namespace platform
