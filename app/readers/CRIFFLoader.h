#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Result codes of the RIFF readers; other values come from a subclass.
enum RIFFResult : int32_t {
    RIFF_DONE = 0,
    RIFF_CANT_OPEN = 7,
    RIFF_BAD_FORMAT = 8,
};

// One chunk inside the loaded body. The data pointer stays valid for as
// long as the loader keeps its body.
struct RIFFChunk {
    char id[4];
    uint32_t size;       // as stored, list type included for a "LIST"
    const uint8_t* data; // the chunk's data, right after its 8-byte header
};

// Reads a whole RIFF file into one owned buffer and walks its chunks.
// Every chunk size is checked against the bytes that remain, so a handler
// only ever sees data inside the buffer.
class CRIFFLoader {
public:
    CRIFFLoader() = default;
    CRIFFLoader(const CRIFFLoader&) = delete;
    CRIFFLoader& operator=(const CRIFFLoader&) = delete;
    virtual ~CRIFFLoader() = default;

    // Reads the file and walks its top-level chunks.
    int32_t ReadFile(const char* path, const char formType[4]);
    // The same from bytes already in memory (a whole file image).
    int32_t ReadMemory(const uint8_t* bytes, size_t length, const char formType[4]);

    const std::vector<uint8_t>& Body() const { return body; }

protected:
    // Walks the chunks in [data, data + size) and hands each to HandleChunk;
    // a non-zero handler result ends the walk and is returned.
    virtual int32_t WalkChunks(const uint8_t* data, uint32_t size, int32_t depth, int32_t kind);
    // Called per chunk; for a "LIST" the data begins after its list type.
    virtual int32_t HandleChunk(const RIFFChunk& chunk, const uint8_t* data, int32_t depth, int32_t kind);
    // Called before a new file is read, so a loader can be reused.
    virtual void Reset() {}

    static bool IsId(const char* id, const char* expected);
    static uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
    static uint32_t Read32(const uint8_t* p)
    {
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }

private:
    int32_t WalkBody();

    std::vector<uint8_t> body;
};
