#pragma once
#include "platform/OsLibrary.h"
#include <cstdint>
#include <string>

// In-process components: a class identifier names an object class that a
// shared library makes through the one factory it exports.
namespace platform {

struct ClassId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    bool operator==(const ClassId&) const = default;
};

// The factory every component library exports: makes an object of the class
// and hands it out as the interface (0 on success).
using ComponentFactory = int32_t (*)(const ClassId* classId, const ClassId* interfaceId, void** object);
inline constexpr const char* kComponentFactoryName = "VelmoraCreateInstance";

// Reads "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (any case); false for
// anything else.
bool ClassIdFromString(const std::string& text, ClassId* id);

// The library's factory; null when it exports none.
ComponentFactory FindComponentFactory(LibraryHandle library);

} // namespace platform
