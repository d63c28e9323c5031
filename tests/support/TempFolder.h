#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder under /tmp, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/velmora-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

    // Creates the folder (and its parents) inside; returns its path.
    std::string MakeFolder(const std::string& name) const
    {
        std::filesystem::create_directories(*this / name);
        return *this / name;
    }
    std::string WriteFile(const std::string& name, const std::string& contents) const
    {
        std::ofstream(*this / name, std::ios::binary) << contents;
        return *this / name;
    }

private:
    std::string path;
};
