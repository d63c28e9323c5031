#pragma once
// Little-endian reading and writing of machine state blobs. SaveState hands
// its blob out as malloc'd memory that the caller frees.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace blob {

inline int32_t ReadInt32(const void* data, size_t offset)
{
    const auto* p = static_cast<const uint8_t*>(data) + offset;
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

inline void AppendInt32(std::vector<uint8_t>& out, int32_t value)
{
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void Hand(const std::vector<uint8_t>& bytes, void** data, int32_t* size, bool* isParameterList)
{
    void* copy = std::malloc(bytes.empty() ? 1 : bytes.size());
    if (!copy)
        throw std::bad_alloc();
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    *data = copy;
    *size = static_cast<int32_t>(bytes.size());
    if (isParameterList)
        *isParameterList = false;
}

} // namespace blob
