#include "platform/OsComponent.h"
#include <cctype>

namespace platform {

namespace {

bool HexDigits(const std::string& text, size_t at, size_t count, uint64_t& value)
{
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        char c = text[i];
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 16 + static_cast<uint64_t>(std::isdigit(static_cast<unsigned char>(c))
                                                        ? c - '0'
                                                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    }
    return true;
}

} // namespace

bool ClassIdFromString(const std::string& text, ClassId* id)
{
    // {01234567-0123-0123-0123-0123456789ab}
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return false;
    uint64_t part;
    ClassId read{};
    if (!HexDigits(text, 1, 8, part))
        return false;
    read.data1 = static_cast<uint32_t>(part);
    if (!HexDigits(text, 10, 4, part))
        return false;
    read.data2 = static_cast<uint16_t>(part);
    if (!HexDigits(text, 15, 4, part))
        return false;
    read.data3 = static_cast<uint16_t>(part);
    const size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!HexDigits(text, byteAt[i], 2, part))
            return false;
        read.data4[i] = static_cast<uint8_t>(part);
    }
    *id = read;
    return true;
}

ComponentFactory FindComponentFactory(LibraryHandle library)
{
    return reinterpret_cast<ComponentFactory>(GetSymbol(library, kComponentFactoryName));
}

} // namespace platform
