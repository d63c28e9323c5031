#include "platform/OsFiles.h"
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

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

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
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

bool IsDirectory(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
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

bool WriteTextFileAtomically(const std::string& path, const std::string& text)
{
    std::error_code error;
    fs::path target(path);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), error);
    std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace platform
