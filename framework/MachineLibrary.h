#pragma once
// The one export of a machine library and the context it keeps.
#include <cstdint>

class CHost;

// Marks the export; everything else in a machine library stays hidden
// (the library is linked with a version script that keeps only this).
#define VELM_LIBRARY_EXPORT extern "C" __attribute__((visibility("default")))

inline constexpr const char* kMachineLibraryExport = "VelmPlugInit";

// Called once by the studio right after loading the library: the library
// creates its context and registers its machine types with the host. The
// result is not used.
using VelmPlugInitFunction = int32_t (*)(void* module, CHost* host);

// What a library keeps for its lifetime in a library-global variable.
// Libraries derive from it for shared data of their own.
struct CLibraryContext {
    CLibraryContext(void* module, CHost* host, int32_t cpuFlags) : module(module), host(host), cpuFlags(cpuFlags) {}
    virtual ~CLibraryContext() = default;
    CLibraryContext(const CLibraryContext&) = delete;
    CLibraryContext& operator=(const CLibraryContext&) = delete;

    void* module;
    CHost* host;
    int32_t cpuFlags;
};
