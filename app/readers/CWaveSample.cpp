#include "app/readers/CWaveSample.h"
#include "framework/Errors.h"
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
constexpr uint16_t kExtensible = 0xfffe;
// The sub-format id after its first two bytes (the format tag).
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

uint16_t Get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Reads forward through a file image; every step checks what remains.
struct Cursor {
    const uint8_t* bytes;
    size_t length;
    size_t offset = 0;

    size_t Remaining() const { return length - offset; }
    bool Take(size_t count, const uint8_t** where)
    {
        if (count > Remaining())
            return false;
        *where = bytes + offset;
        offset += count;
        return true;
    }
    bool Skip(uint64_t count)
    {
        if (count > Remaining())
            return false;
        offset += static_cast<size_t>(count);
        return true;
    }
};
} // namespace

void CWaveSample::Read(const char* path)
{
    samples.clear();
    samples.shrink_to_fit();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file)
        Raise("Can't Open File <%s>", path);
    std::vector<uint8_t> image;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        image.insert(image.end(), block, block + got);
    if (std::ferror(file.get()))
        Raise("Unexpected End Of File Reading <%s>", path);
    ReadMemory(image.data(), image.size(), path);
}

void CWaveSample::ReadMemory(const uint8_t* bytes, size_t length, const char* path)
{
    samples.clear();
    samples.shrink_to_fit();
    format = WaveFormat();
    Cursor in{bytes, length};
    const uint8_t* header;
    if (!in.Take(12, &header))
        Raise("Unexpected End Of File Reading <%s>", path);
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        Raise("Invalid File Format Reading <%s>", path);

    bool haveFormat = false;
    bool haveData = false;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
    while (!haveFormat || !haveData) {
        const uint8_t* chunk;
        if (!in.Take(8, &chunk))
            Raise("Unexpected End Of File Reading <%s>", path);
        uint32_t size = Get32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16)
                Raise("Format Chunk In File <%s> Is Too Small", path);
            const uint8_t* fields;
            if (!in.Take(16, &fields))
                Raise("Unexpected End Of File Reading <%s>", path);
            const uint8_t* extension = nullptr;
            if (size >= 40 && !in.Take(24, &extension))
                Raise("Unexpected End Of File Reading <%s>", path);
            if (!in.Skip(size - 16u - (extension ? 24u : 0u)))
                Raise("Unexpected End Of File Reading <%s>", path);
            format.formatTag = Get16(fields);
            format.channels = Get16(fields + 2);
            format.sampleRate = Get32(fields + 4);
            format.byteRate = Get32(fields + 8);
            format.blockAlign = Get16(fields + 12);
            format.bitsPerSample = Get16(fields + 14);
            // The extensible form (which sox writes for more than 16 bits
            // or 2 channels) names its real format in a sub-format id.
            if (format.formatTag == kExtensible && extension && std::memcmp(extension + 10, kSubFormatTail, 14) == 0)
                format.formatTag = Get16(extension + 8);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!in.Take(size, &data))
                Raise("Unexpected End Of File Reading <%s>", path);
            dataSize = size;
            haveData = true;
        } else if (!in.Skip(size)) {
            Raise("Unexpected End Of File Reading <%s>", path);
        }
        // The pad byte after an odd chunk; a file may end without it.
        if ((size & 1u) != 0 && (!haveFormat || !haveData) && !in.Skip(1))
            Raise("Unexpected End Of File Reading <%s>", path);
    }
    if (format.formatTag != 1)
        Raise("Can't Read Non-PCM Format WAV File <%s>", path);
    if (format.bitsPerSample != 16)
        Raise("Only 16 Bit WAV Files Supported, <%s> Is %i-Bit", path, format.bitsPerSample);
    if (format.channels != 1)
        Raise("Only Mono WAV Files Supported, <%s> Has %i Channels", path, format.channels);

    samples.resize(dataSize / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        auto s = static_cast<int16_t>(Get16(data + 2 * i));
        samples[i] = s >= 0 ? s / 32767.0 : s / 32768.0;
    }
}
