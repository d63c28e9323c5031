#pragma once
// Loaders that read from a path get each input as a file of its own in a
// private folder of the fuzzing process.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

inline std::string FuzzInputFile(const char* name, const uint8_t* data, size_t size)
{
    static std::string folder = [] {
        char pattern[] = "/tmp/velmora-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    std::string path = folder + "/" + name;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    return path;
}
