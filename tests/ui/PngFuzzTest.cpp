// Feeds the PNG reader mutated files for a bounded time. In the
// AddressSanitizer/UndefinedBehaviorSanitizer tree any over-read, overflow
// or undefined shift ends the run; here the reader must answer every file
// with a picture or one of its messages.
#include "framework/Errors.h"
#include "ui/CPicture.h"
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<uint8_t>;

class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    uint64_t state;
};

void PutBigEndian(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void AppendChunk(Bytes& file, const char* type, const Bytes& data)
{
    Bytes length(4);
    PutBigEndian(length, 0, static_cast<uint32_t>(data.size()));
    file.insert(file.end(), length.begin(), length.end());
    size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    uint32_t crc = static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(file.size() - start)));
    Bytes tail(4);
    PutBigEndian(tail, 0, crc);
    file.insert(file.end(), tail.begin(), tail.end());
}

// A well-formed file around random scanlines, so that mutations reach the
// inflate and filter stages instead of stopping at the header.
Bytes StructuredFile(Random& random)
{
    uint32_t width = 1 + static_cast<uint32_t>(random.Below(24));
    uint32_t height = 1 + static_cast<uint32_t>(random.Below(24));
    const uint8_t colourTypes[] = {2, 6, 6, 2, 0, 3};
    uint8_t colour = colourTypes[random.Below(sizeof colourTypes)];
    uint32_t bpp = colour == 6 ? 4 : 3;
    Bytes raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(static_cast<uint8_t>(random.Below(7))); // 5 and 6 are unknown filters
        for (uint32_t i = 0; i < width * bpp; ++i)
            raw.push_back(static_cast<uint8_t>(random.Next()));
    }
    if (random.Below(8) == 0)
        raw.resize(raw.size() - 1 - random.Below(raw.size() / 2)); // too little data
    Bytes compressed(compressBound(static_cast<uLong>(raw.size())));
    uLongf size = compressed.size();
    compress(compressed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    compressed.resize(size);

    Bytes file = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    Bytes header(13);
    PutBigEndian(header, 0, width);
    PutBigEndian(header, 4, height);
    header[8] = random.Below(10) ? 8 : 16;
    header[9] = colour;
    AppendChunk(file, "IHDR", header);
    size_t parts = 1 + random.Below(3);
    size_t at = 0;
    for (size_t p = 0; p < parts; ++p) {
        size_t end = p + 1 == parts ? compressed.size() : at + random.Below(compressed.size() - at + 1);
        AppendChunk(file, "IDAT", Bytes(compressed.begin() + static_cast<long>(at), compressed.begin() + static_cast<long>(end)));
        at = end;
    }
    AppendChunk(file, "IEND", {});
    return file;
}

void Mutate(Bytes& bytes, Random& random)
{
    const uint32_t interesting[] = {0, 1, 13, 0x7F, 0xFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0, 0x10000};
    switch (random.Below(7)) {
    case 0:
        for (size_t n = 1 + random.Below(8); n > 0 && !bytes.empty(); --n)
            bytes[random.Below(bytes.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
        break;
    case 1:
        if (!bytes.empty())
            bytes[random.Below(bytes.size())] = static_cast<uint8_t>(interesting[random.Below(5)]);
        break;
    case 2: // a length, width or height field
        if (bytes.size() >= 4)
            PutBigEndian(bytes, random.Below(bytes.size() - 3), interesting[random.Below(std::size(interesting))]);
        break;
    case 3:
        bytes.resize(random.Below(bytes.size() + 1));
        break;
    case 4: {
        if (bytes.empty())
            break;
        size_t from = random.Below(bytes.size());
        size_t length = 1 + random.Below(std::min<size_t>(64, bytes.size() - from));
        Bytes slice(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + length));
        bytes.insert(bytes.begin() + static_cast<long>(random.Below(bytes.size() + 1)), slice.begin(), slice.end());
        break;
    }
    case 5: {
        if (bytes.empty())
            break;
        size_t from = random.Below(bytes.size());
        size_t length = 1 + random.Below(std::min<size_t>(64, bytes.size() - from));
        bytes.erase(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + length));
        break;
    }
    default:
        break; // unchanged: the seed itself
    }
}

std::vector<Bytes> Seeds()
{
    std::vector<Bytes> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(PNG_FIXTURE_DIR)) {
        if (entry.path().extension() != ".png")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return seeds;
}

} // namespace

TEST(PngFuzzTest, MutatedFilesDecodeOrAreRefusedWithAMessage)
{
    std::vector<Bytes> seeds = Seeds();
    ASSERT_GT(seeds.size(), 30u);
    const char* limit = std::getenv("VELMORA_FUZZ_SECONDS");
    const auto budget = std::chrono::seconds(limit ? std::atoi(limit) : 20);
    const auto start = std::chrono::steady_clock::now();
    Random random(0x5EED1234ABCDull);
    int decoded = 0;
    int refused = 0;
    int iterations = 0;
    for (; iterations < 400000 && std::chrono::steady_clock::now() - start < budget; ++iterations) {
        Bytes file = random.Below(3) == 0 ? StructuredFile(random) : seeds[random.Below(seeds.size())];
        for (size_t n = random.Below(4); n > 0; --n)
            Mutate(file, random);
        CPicture picture;
        try {
            picture.Decode(file.data(), file.size());
        } catch (const CError&) {
            ++refused;
            ASSERT_FALSE(picture.HasPixels());
            continue;
        }
        ++decoded;
        ASSERT_TRUE(picture.HasPixels());
        ASSERT_GT(picture.width, 0);
        ASSERT_GT(picture.height, 0);
        // Touch the last byte: the sanitizer checks the buffer's real size.
        volatile uint8_t last = picture.Row(picture.height - 1)[picture.RowBytes() - 1];
        (void)last;
    }
    std::printf("%d files: %d decoded, %d refused\n", iterations, decoded, refused);
    EXPECT_GT(decoded, 100);
    EXPECT_GT(refused, 100);
}
