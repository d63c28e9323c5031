#include "app/readers/CRIFFLoader.h"
#include <cstdio>
#include <cstring>
#include <memory>

bool CRIFFLoader::IsId(const char* id, const char* expected)
{
    return std::memcmp(id, expected, 4) == 0;
}

int32_t CRIFFLoader::ReadFile(const char* path, const char formType[4])
{
    Reset();
    body.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file)
        return RIFF_CANT_OPEN;
    uint8_t header[12];
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header)
        return RIFF_BAD_FORMAT;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, formType, 4) != 0)
        return RIFF_BAD_FORMAT;
    uint32_t size = Read32(header + 4);
    if (size < 4)
        return RIFF_BAD_FORMAT;
    // Allocate only what the file really holds: a damaged size field must
    // not make us reserve gigabytes before the short read is noticed.
    long here = std::ftell(file.get());
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return RIFF_BAD_FORMAT;
    long end = std::ftell(file.get());
    if (here < 0 || end < here || static_cast<uint64_t>(end - here) < size - 4u ||
        std::fseek(file.get(), here, SEEK_SET) != 0)
        return RIFF_BAD_FORMAT;
    body.resize(size - 4u);
    if (!body.empty() && std::fread(body.data(), 1, body.size(), file.get()) != body.size()) {
        body.clear();
        return RIFF_BAD_FORMAT;
    }
    return WalkBody();
}

int32_t CRIFFLoader::ReadMemory(const uint8_t* bytes, size_t length, const char formType[4])
{
    Reset();
    body.clear();
    if (length < 12)
        return RIFF_BAD_FORMAT;
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, formType, 4) != 0)
        return RIFF_BAD_FORMAT;
    uint32_t size = Read32(bytes + 4);
    if (size < 4 || length - 12 < size - 4u)
        return RIFF_BAD_FORMAT;
    body.assign(bytes + 12, bytes + 12 + (size - 4u));
    return WalkBody();
}

int32_t CRIFFLoader::WalkBody()
{
    int32_t result = WalkChunks(body.data(), static_cast<uint32_t>(body.size()), 0, 0);
    if (result != RIFF_DONE) {
        Reset();
        body.clear();
        body.shrink_to_fit();
    }
    return result;
}

int32_t CRIFFLoader::WalkChunks(const uint8_t* data, uint32_t size, int32_t depth, int32_t kind)
{
    uint32_t offset = 0;
    while (size - offset >= 8) {
        RIFFChunk chunk;
        std::memcpy(chunk.id, data + offset, 4);
        chunk.size = Read32(data + offset + 4);
        chunk.data = data + offset + 8;
        uint32_t remaining = size - offset - 8;
        if (chunk.size > remaining)
            return RIFF_BAD_FORMAT;
        const uint8_t* handed = chunk.data;
        if (IsId(chunk.id, "LIST")) {
            if (chunk.size < 4)
                return RIFF_BAD_FORMAT;
            handed = chunk.data + 4;
        }
        if (int32_t result = HandleChunk(chunk, handed, depth, kind); result != RIFF_DONE)
            return result;
        uint64_t next = static_cast<uint64_t>(offset) + 8 + chunk.size + (chunk.size & 1u);
        if (next >= size)
            break;
        offset = static_cast<uint32_t>(next);
    }
    return RIFF_DONE;
}

int32_t CRIFFLoader::HandleChunk(const RIFFChunk&, const uint8_t*, int32_t, int32_t)
{
    return RIFF_DONE;
}
