#include "framework/Errors.h"
#include "support/RaisedText.h"
#include "ui/CPicture.h"
#include <chrono>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "missing test file " << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Fixture(const std::string& name)
{
    return std::string(PNG_FIXTURE_DIR) + "/" + name;
}

std::string DecodeError(CPicture& picture, const std::vector<uint8_t>& bytes)
{
    try {
        picture.Decode(bytes.data(), bytes.size());
    } catch (const CError& error) {
        return error.Text();
    }
    return "<decoded>";
}

// Decodes NAME.png and compares every byte with NAME.raw (the encoder's own
// pixels); reports the first differing pixel.
void ExpectDecodesLikeRaw(const std::string& name, int32_t width, int32_t height, bool alpha)
{
    SCOPED_TRACE(name);
    std::vector<uint8_t> png = ReadFile(Fixture(name + ".png"));
    std::vector<uint8_t> raw = ReadFile(Fixture(name + ".raw"));
    CPicture picture;
    ASSERT_EQ(DecodeError(picture, png), "<decoded>");
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    ASSERT_EQ(picture.alpha, alpha);
    ASSERT_EQ(raw.size(), picture.RowBytes() * static_cast<size_t>(height));
    const int32_t bpp = picture.BytesPerPixel();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* got = picture.Row(y) + x * bpp;
            const uint8_t* want = raw.data() + (static_cast<size_t>(y) * width + x) * bpp;
            for (int32_t i = 0; i < bpp; ++i)
                ASSERT_EQ(got[i], want[i]) << "pixel (" << x << ", " << y << ") byte " << i;
        }
    }
    EXPECT_EQ(picture.clipLeft, 0);
    EXPECT_EQ(picture.clipRight, width);
    EXPECT_EQ(picture.clipTop, 0);
    EXPECT_EQ(picture.clipBottom, height);
}

} // namespace

TEST(PngReaderTest, EveryFilterTypeDecodesInRgbAndRgba)
{
    for (int filter = 0; filter <= 4; ++filter) {
        ExpectDecodesLikeRaw("filter" + std::to_string(filter) + "_rgb", 7, 5, false);
        ExpectDecodesLikeRaw("filter" + std::to_string(filter) + "_rgba", 7, 5, true);
    }
}

TEST(PngReaderTest, RowsCyclingThroughAllFiltersDecode)
{
    ExpectDecodesLikeRaw("mixed_rgb", 13, 9, false);
    ExpectDecodesLikeRaw("mixed_rgba", 13, 9, true);
}

TEST(PngReaderTest, SplitIdatDecodesLikeOneChunkAndCrcsAreNotChecked)
{
    ExpectDecodesLikeRaw("split_single", 16, 12, false);
    ExpectDecodesLikeRaw("split_three", 16, 12, false);
}

TEST(PngReaderTest, PaethInRowZeroBehavesAsSub)
{
    ExpectDecodesLikeRaw("paeth_row0", 6, 3, false);
}

TEST(PngReaderTest, UnknownFilterByteLeavesTheRowUnchanged)
{
    ExpectDecodesLikeRaw("filter_unknown", 5, 2, false);
}

TEST(PngReaderTest, SmallestImageAndAverageFilterAtTheEdges)
{
    ExpectDecodesLikeRaw("one_pixel_rgba", 1, 1, true);
}

TEST(PngReaderTest, FilesWrittenByImageMagickDecode)
{
    ExpectDecodesLikeRaw("im_rgb", 41, 29, false);
    ExpectDecodesLikeRaw("im_rgba", 33, 21, true);
}

TEST(PngReaderTest, RefusalsCarryTheirMessages)
{
    const std::pair<const char*, const char*> cases[] = {
        {"too_small", "PNG File Is Too Small To Fit A Valid Header"},
        {"no_signature", "PNG File Header Not Found"},
        {"signature_only", "Unexpected End Of File In PNG Image"},
        {"no_iend", "Unexpected End Of File In PNG Image"},
        {"depth16", "Unsupported Bit Depth In PNG File"},
        {"palette", "Unsupported Color Type In PNG File"},
        {"greyscale", "Unsupported Color Type In PNG File"},
        {"grey_alpha", "Unsupported Color Type In PNG File"},
        {"compression1", "Unsupported Compression Method In PNG File"},
        {"filtermethod1", "Unsupported Filter Method In PNG File"},
        {"interlaced", "Can't Read Interlaced PNG Files"},
        {"depth_and_type_bad", "Unsupported Bit Depth In PNG File"},
        {"type_and_interlace_bad", "Unsupported Color Type In PNG File"},
        {"header_short", "PNG File's Header Chunk Too Small"},
        {"chunk_past_end", "Chunk Found Larger Than File In PNG Image"},
        {"idat_length_wraps", "Chunk Found Larger Than File In PNG Image"},
        {"inflate_short", "PNG: Not Enough Information Inflated"},
        {"inflate_long", "Inflate: Buffer Error"},
        {"inflate_corrupt", "Inflate: Data Error"},
        {"no_idat", "Inflate: Data Error"},
        {"no_header", "PNG File's Header Chunk Not Found"},
        {"size_overflow", "PNG Image Size Out Of Range"},
        {"width_too_large", "PNG Image Size Out Of Range"},
        {"zero_width", "PNG Image Size Out Of Range"},
        {"beyond_memory", "PNG: Not Enough Information Inflated"},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        CPicture picture;
        EXPECT_EQ(DecodeError(picture, ReadFile(Fixture(std::string(name) + ".png"))), message);
        EXPECT_FALSE(picture.HasPixels());
        EXPECT_EQ(picture.width, 0);
        EXPECT_EQ(picture.height, 0);
    }
}

TEST(PngReaderTest, ARefusalDropsThePicturePreviouslyHeld)
{
    CPicture picture;
    ASSERT_EQ(DecodeError(picture, ReadFile(Fixture("good.png"))), "<decoded>");
    ASSERT_TRUE(picture.HasPixels());
    EXPECT_EQ(DecodeError(picture, ReadFile(Fixture("inflate_short.png"))), "PNG: Not Enough Information Inflated");
    EXPECT_FALSE(picture.HasPixels());
    EXPECT_EQ(picture.width, 0);
}

TEST(PngReaderTest, TruncatingAValidFileBeforeItsLastCrcIsRefused)
{
    std::vector<uint8_t> good = ReadFile(Fixture("good.png"));
    // CRCs are never read: the file still decodes without IEND's.
    CPicture whole;
    std::vector<uint8_t> withoutCrc(good.begin(), good.end() - 4);
    EXPECT_EQ(DecodeError(whole, withoutCrc), "<decoded>");
    for (size_t length = 0; length < good.size() - 4; ++length) {
        CPicture picture;
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(length));
        EXPECT_NE(DecodeError(picture, cut), "<decoded>") << "length " << length;
        EXPECT_FALSE(picture.HasPixels());
    }
}

TEST(PngReaderTest, HugeDeclaredSizesAreRefusedWithoutAllocating)
{
    // Four gigapixels declared over a few bytes of data: refused at once.
    std::vector<uint8_t> bytes = ReadFile(Fixture("beyond_memory.png"));
    auto start = std::chrono::steady_clock::now();
    CPicture picture;
    EXPECT_EQ(DecodeError(picture, bytes), "PNG: Not Enough Information Inflated");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(PngReaderTest, InflateTurnsZlibErrorsIntoMessages)
{
    uint8_t out[16];
    const uint8_t garbage[] = {0x78, 0x9c, 0xff, 0xff, 0xff};
    EXPECT_EQ(RaisedText([&] { CPicture::Inflate(out, sizeof out, garbage, sizeof garbage); }), "Inflate: Data Error");
    // 26 letters do not fit 16 bytes of room.
    const char text[] = "abcdefghijklmnopqrstuvwxyz";
    uint8_t alphabet[64];
    uLongf size = sizeof alphabet;
    ASSERT_EQ(compress(alphabet, &size, reinterpret_cast<const Bytef*>(text), 26), Z_OK);
    EXPECT_EQ(RaisedText([&] { CPicture::Inflate(out, sizeof out, alphabet, size); }), "Inflate: Buffer Error");
    uint8_t room[26];
    EXPECT_EQ(CPicture::Inflate(room, sizeof room, alphabet, size), 26u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room), 26), "abcdefghijklmnopqrstuvwxyz");
}

TEST(PictureTest, FillRectStaysInsideTheClipAndClearsAlpha)
{
    CPicture picture;
    picture.Create(4, 3, true);
    for (int32_t y = 0; y < 3; ++y)
        std::fill(picture.Row(y), picture.Row(y) + picture.RowBytes(), uint8_t(200));
    picture.SetClip(1, 1, 3, 3);
    picture.FillRect(-5, -5, 100, 100, MakeColor(1, 2, 3));
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const uint8_t* p = picture.Row(y) + x * 4;
            bool inside = x >= 1 && x < 3 && y >= 1;
            EXPECT_EQ(p[0], inside ? 1 : 200) << x << "," << y;
            EXPECT_EQ(p[1], inside ? 2 : 200);
            EXPECT_EQ(p[2], inside ? 3 : 200);
            EXPECT_EQ(p[3], inside ? 0 : 200);
        }
    }
}

TEST(PictureTest, BlitBlendsByAlphaAndClipsBothPictures)
{
    CPicture target;
    target.Create(3, 2, false);
    target.FillRect(0, 0, 3, 2, MakeColor(100, 100, 100));
    CPicture source;
    source.Create(2, 2, true);
    const uint8_t pixels[2][8] = {{255, 0, 0, 255, 0, 255, 0, 0}, {0, 0, 255, 128, 10, 20, 30, 255}};
    for (int32_t y = 0; y < 2; ++y)
        std::copy(pixels[y], pixels[y] + 8, source.Row(y));
    // Placed one pixel up and right: the top source row falls outside.
    target.Blit(source, 0, 0, 2, 2, 2, -1);
    const uint8_t* p = target.Row(0) + 2 * 3;
    EXPECT_EQ(p[0], (0 * 128 + 100 * 127 + 127) / 255);
    EXPECT_EQ(p[2], (255 * 128 + 100 * 127 + 127) / 255);
    EXPECT_EQ(target.Row(1)[6], 100); // untouched below
    EXPECT_EQ(target.Row(0)[0], 100); // untouched left
    // Opaque source pixels replace, transparent ones keep the target.
    target.Blit(source, 0, 0, 2, 1, 0, 1);
    EXPECT_EQ(target.Row(1)[0], 255);
    EXPECT_EQ(target.Row(1)[1], 0);
    EXPECT_EQ(target.Row(1)[3], 100);
    EXPECT_EQ(target.Row(1)[4], 100);
}
