#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
    std::string name;
    bool isDirectory; // following symbolic links
};

// The entries of a folder without "." and "..", sorted by name so that the
// order does not depend on the file system. Empty when the folder cannot be
// read.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// The name without its last extension ("comp-delay.so" -> "comp-delay").
std::string StripExtension(const std::string& name);
bool HasExtension(const std::string& name, const char* extension);

// The absolute path with every symbolic link resolved; empty when the
// path does not exist.
std::string RealPath(const std::string& path);

// One file as the system sees it, following symbolic links: device and
// inode say which real file it is (the same through any link), size and
// modification time which version of it.
struct FileInfo {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool regular = false; // a plain file (not a folder, device or pipe)
    bool folder = false;

    bool IsSameFile(const FileInfo& other) const { return device == other.device && inode == other.inode; }
};
bool GetFileInfo(const std::string& path, FileInfo* info);

bool ReadTextFile(const std::string& path, std::string* text);

} // namespace platform
