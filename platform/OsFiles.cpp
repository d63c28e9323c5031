#include "platform/OsFiles.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace platform {

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error)
        return entries;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        bool directory = entry.is_directory(typeError);
        entries.push_back({entry.path().filename().string(), directory && !typeError});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

std::string StripExtension(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool HasExtension(const std::string& name, const char* extension)
{
    std::string suffix(extension);
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string RealPath(const std::string& path)
{
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    return error ? std::string() : real.string();
}

bool GetFileInfo(const std::string& path, FileInfo* info)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return false;
    info->device = static_cast<uint64_t>(status.st_dev);
    info->inode = static_cast<uint64_t>(status.st_ino);
    info->size = static_cast<uint64_t>(status.st_size);
    info->modifiedNs = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    info->regular = S_ISREG(status.st_mode);
    info->folder = S_ISDIR(status.st_mode);
    return true;
}

bool ReadTextFile(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream contents;
    contents << in.rdbuf();
    *text = contents.str();
    return !in.bad();
}

} // namespace platform
