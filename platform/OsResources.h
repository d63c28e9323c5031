#pragma once
#include <cstddef>
#include <cstdint>

// Resources (pictures, tables) are compiled into each module, the studio
// program or a machine library, by velmora_add_resources
// (cmake/VelmoraResources.cmake). Every function on the path from a caller to
// its module's table must stay local to the module: otherwise a library's
// call could bind to the program's copy and read the program's table.
#define VELMORA_MODULE_LOCAL __attribute__((visibility("hidden")))

namespace platform {

struct ResourceEntry {
    const char* type; // "PNG", "BINARY"
    uint16_t number;
    const unsigned char* data;
    size_t size;
};

struct ResourceTable {
    const ResourceEntry* entries;
    size_t count;
};

// Finds a resource of this type and number in the calling module's table.
// False when the module has no such resource (or no table at all).
VELMORA_MODULE_LOCAL bool FindResource(const char* type, uint16_t number, const unsigned char** data, size_t* size);

} // namespace platform

// The module's table; weak so that a module without resources links too.
extern "C" VELMORA_MODULE_LOCAL __attribute__((weak)) const platform::ResourceTable velmoraModuleResources;
