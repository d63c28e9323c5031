#include "platform/OsPaths.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kStudioFolderName = "Velmora Studio";

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool WriteAll(int fd, const unsigned char* bytes, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

std::string UserConfigFolder()
{
    std::string xdg = Environment("XDG_CONFIG_HOME");
    if (!xdg.empty())
        return xdg;
    std::string home = Environment("HOME");
    if (!home.empty())
        return JoinPath(home, ".config");
    return std::string();
}

std::string StudioConfigFolder()
{
    std::string config = UserConfigFolder();
    return config.empty() ? std::string() : JoinPath(config, kStudioFolderName);
}

std::string ProgramFolder()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::string();
    return program.parent_path().string();
}

std::string ParentFolder(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return (std::filesystem::path(folder) / name).string();
}

bool FolderExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool CreateFolders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return FolderExists(path);
}

bool ReplaceFileContents(const std::string& path, const void* data, size_t size)
{
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool written = WriteAll(fd, static_cast<const unsigned char*>(data), size) && ::fsync(fd) == 0;
    // mkstemp makes the file private; an options or project file is not.
    ::fchmod(fd, 0644);
    if (::close(fd) != 0)
        written = false;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string parent = ParentFolder(path);
    int folder = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

std::vector<std::string> DefaultPluginPaths()
{
    std::vector<std::string> paths;
    std::string above = ParentFolder(ProgramFolder());
    paths.push_back(JoinPath(JoinPath(above, "x86"), "VST"));
    paths.push_back(JoinPath(JoinPath(above, "x64"), "VST"));

    std::vector<std::string> conventional;
    std::string vstPath = Environment("VST_PATH");
    for (size_t start = 0; start < vstPath.size();) {
        size_t end = std::min(vstPath.find(':', start), vstPath.size());
        if (end > start)
            conventional.push_back(vstPath.substr(start, end - start));
        start = end + 1;
    }
    std::string home = Environment("HOME");
    if (!home.empty()) {
        conventional.push_back(JoinPath(home, ".vst"));
        conventional.push_back(JoinPath(home, ".lxvst"));
    }
    for (const char* folder : {"/usr/local/lib/vst", "/usr/local/lib/lxvst", "/usr/lib/vst", "/usr/lib/lxvst"})
        conventional.push_back(folder);
    for (const std::string& folder : conventional) {
        if (FolderExists(folder))
            paths.push_back(folder);
    }
    return paths;
}

} // namespace platform

namespace platform {

std::string UserSamplesFolder()
{
    std::string data = Environment("XDG_DATA_HOME");
    if (data.empty()) {
        std::string home = Environment("HOME");
        if (home.empty())
            return std::string();
        data = JoinPath(home, ".local/share");
    }
    return JoinPath(JoinPath(data, kStudioFolderName), "Samples");
}

} // namespace platform
