#include "ui/CPicture.h"
#include "framework/Errors.h"
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>
#include <zlib.h>

namespace {

constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

// Deflate cannot expand one input byte into more than 1032 output bytes; an
// image that would need more than its data can give is refused before its
// buffer is allocated (a 40-byte file could otherwise ask for gigabytes).
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;

uint32_t BigEndian32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

bool IsType(const uint8_t* p, const char* type)
{
    return std::memcmp(p, type, 4) == 0;
}

std::unique_ptr<uint8_t[]> Allocate(uint64_t size)
{
    if (size > std::numeric_limits<size_t>::max())
        Raise("PNG Image Too Large For Memory");
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[std::max<uint64_t>(size, 1)]);
    if (!buffer)
        Raise("PNG Image Too Large For Memory");
    return buffer;
}

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c;
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes one row's filter in place; `above` is the previous decoded row (all
// zero for row 0, which makes Up a no-op and Paeth the same as Sub there).
void Unfilter(uint8_t filter, uint8_t* row, const uint8_t* above, size_t rowBytes, size_t bpp)
{
    switch (filter) {
    case 1:
        for (size_t i = bpp; i < rowBytes; ++i)
            row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < rowBytes; ++i)
            row[i] = static_cast<uint8_t>(row[i] + above[i]);
        break;
    case 3:
        for (size_t i = 0; i < rowBytes; ++i) {
            int a = i >= bpp ? row[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + (a + above[i]) / 2);
        }
        break;
    case 4:
        for (size_t i = 0; i < rowBytes; ++i) {
            int a = i >= bpp ? row[i - bpp] : 0;
            int c = i >= bpp ? above[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + Paeth(a, above[i], c));
        }
        break;
    default: // 0 and unknown filter bytes: unchanged
        break;
    }
}

} // namespace

CPicture::~CPicture()
{
    Free();
}

void CPicture::Free()
{
    delete[] pixels;
    pixels = nullptr;
    width = height = 0;
    alpha = false;
    clipLeft = clipRight = clipTop = clipBottom = 0;
}

void CPicture::Swap(CPicture& other)
{
    std::swap(clipLeft, other.clipLeft);
    std::swap(clipRight, other.clipRight);
    std::swap(clipTop, other.clipTop);
    std::swap(clipBottom, other.clipBottom);
    std::swap(width, other.width);
    std::swap(height, other.height);
    std::swap(pixels, other.pixels);
    std::swap(alpha, other.alpha);
}

void CPicture::Create(int32_t newWidth, int32_t newHeight, bool withAlpha)
{
    Free();
    if (newWidth <= 0 || newHeight <= 0)
        return;
    size_t size = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight) * (withAlpha ? 4u : 3u);
    pixels = new uint8_t[size]();
    width = newWidth;
    height = newHeight;
    alpha = withAlpha;
    ResetClip();
}

int32_t CPicture::LoadResource(uint16_t number)
{
    const unsigned char* data = nullptr;
    size_t size = 0;
    if (!platform::FindResource("PNG", number, &data, &size)) {
        Free();
        Raise("PNG Resource %i Not Found", static_cast<int>(number));
    }
    Decode(data, size);
    ResetClip();
    return height;
}

size_t CPicture::Inflate(uint8_t* destination, size_t destinationSize, const uint8_t* source, size_t sourceSize)
{
    uLongf produced = destinationSize;
    int result = uncompress(destination, &produced, source, sourceSize);
    switch (result) {
    case Z_OK:
        return produced;
    case Z_BUF_ERROR:
        Raise("Inflate: Buffer Error");
    case Z_MEM_ERROR:
        Raise("Inflate: Memory Error");
    case Z_DATA_ERROR:
        Raise("Inflate: Data Error");
    default:
        Raise("Inflate: Unknown Error");
    }
}

void CPicture::Decode(const uint8_t* data, size_t length)
{
    Free();
    try {
        if (length < 8)
            Raise("PNG File Is Too Small To Fit A Valid Header");
        if (std::memcmp(data, kSignature, 8) != 0)
            Raise("PNG File Header Not Found");
        DecodeChunks(data, length);
    } catch (...) {
        Free();
        throw;
    }
}

void CPicture::DecodeChunks(const uint8_t* data, size_t length)
{
    // Offsets are 64-bit: a length field near 4 GiB must not wrap around and
    // pass the bounds check.
    std::vector<size_t> idat; // pairs of data offset and length, in file order
    bool haveHeader = false;
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;
    bool withAlpha = false;
    uint64_t o = 8;
    for (;;) {
        uint64_t d = o + 8;
        if (d > length)
            Raise("Unexpected End Of File In PNG Image");
        uint32_t chunkLength = BigEndian32(data + o);
        const uint8_t* type = data + o + 4;
        uint64_t e = d + chunkLength;
        if (e > length)
            Raise("Chunk Found Larger Than File In PNG Image");
        const uint8_t* body = data + d;
        if (IsType(type, "IHDR")) {
            if (chunkLength < 13)
                Raise("PNG File's Header Chunk Too Small");
            imageWidth = BigEndian32(body);
            imageHeight = BigEndian32(body + 4);
            if (body[8] != 8)
                Raise("Unsupported Bit Depth In PNG File");
            if (body[9] != 2 && body[9] != 6)
                Raise("Unsupported Color Type In PNG File");
            withAlpha = body[9] == 6;
            if (body[10] != 0)
                Raise("Unsupported Compression Method In PNG File");
            if (body[11] != 0)
                Raise("Unsupported Filter Method In PNG File");
            if (body[12] != 0)
                Raise("Can't Read Interlaced PNG Files");
            haveHeader = true;
        } else if (IsType(type, "IDAT")) {
            idat.push_back(static_cast<size_t>(d));
            idat.push_back(chunkLength);
        } else if (IsType(type, "IEND")) {
            if (!haveHeader)
                Raise("PNG File's Header Chunk Not Found");
            DecodeImageData(data, idat.data(), idat.size() / 2, imageWidth, imageHeight, withAlpha);
            return;
        }
        o = e + 4; // the CRC is skipped, never checked
    }
}

void CPicture::DecodeImageData(const uint8_t* data, const size_t* idat, size_t idatCount, uint32_t imageWidth,
                               uint32_t imageHeight, bool withAlpha)
{
    constexpr uint32_t kLargest = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
    if (imageWidth == 0 || imageHeight == 0 || imageWidth > kLargest || imageHeight > kLargest)
        Raise("PNG Image Size Out Of Range");
    const uint64_t bpp = withAlpha ? 4 : 3;
    const uint64_t rowBytes = static_cast<uint64_t>(imageWidth) * bpp;
    // No buffer can be larger than the address space's signed range.
    if (imageHeight > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max()) / (rowBytes + 1))
        Raise("PNG Image Size Out Of Range");
    const uint64_t inflatedSize = static_cast<uint64_t>(imageHeight) * (rowBytes + 1);

    uint64_t joinedSize = 0;
    for (size_t i = 0; i < idatCount; ++i)
        joinedSize += idat[2 * i + 1];
    if (inflatedSize > joinedSize * kMaxInflateRatio + kInflateSlack)
        Raise("PNG: Not Enough Information Inflated");

    std::unique_ptr<uint8_t[]> joined = Allocate(joinedSize);
    uint8_t* at = joined.get();
    for (size_t i = 0; i < idatCount; ++i) {
        std::memcpy(at, data + idat[2 * i], idat[2 * i + 1]);
        at += idat[2 * i + 1];
    }
    std::unique_ptr<uint8_t[]> inflated = Allocate(inflatedSize);
    size_t produced = Inflate(inflated.get(), static_cast<size_t>(inflatedSize), joined.get(), static_cast<size_t>(joinedSize));
    if (produced != inflatedSize)
        Raise("PNG: Not Enough Information Inflated");
    joined.reset();

    std::unique_ptr<uint8_t[]> decoded = Allocate(rowBytes * imageHeight);
    std::unique_ptr<uint8_t[]> zeroRow = Allocate(rowBytes);
    std::memset(zeroRow.get(), 0, static_cast<size_t>(rowBytes));
    const uint8_t* above = zeroRow.get();
    for (uint64_t y = 0; y < imageHeight; ++y) {
        const uint8_t* source = inflated.get() + y * (rowBytes + 1);
        uint8_t* row = decoded.get() + y * rowBytes;
        std::memcpy(row, source + 1, static_cast<size_t>(rowBytes));
        Unfilter(source[0], row, above, static_cast<size_t>(rowBytes), static_cast<size_t>(bpp));
        above = row;
    }
    pixels = decoded.release();
    width = static_cast<int32_t>(imageWidth);
    height = static_cast<int32_t>(imageHeight);
    alpha = withAlpha;
    ResetClip();
}

void CPicture::SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    clipLeft = std::clamp(left, 0, width);
    clipRight = std::clamp(right, clipLeft, width);
    clipTop = std::clamp(top, 0, height);
    clipBottom = std::clamp(bottom, clipTop, height);
}

void CPicture::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, ColorRef color)
{
    int32_t left = std::max(x, clipLeft);
    int32_t right = std::min(x + w, clipRight);
    int32_t top = std::max(y, clipTop);
    int32_t bottom = std::min(y + h, clipBottom);
    const int32_t bpp = BytesPerPixel();
    for (int32_t row = top; row < bottom; ++row) {
        uint8_t* p = Row(row) + static_cast<size_t>(left) * bpp;
        for (int32_t col = left; col < right; ++col, p += bpp) {
            p[0] = RedOf(color);
            p[1] = GreenOf(color);
            p[2] = BlueOf(color);
            if (alpha)
                p[3] = 0;
        }
    }
}

void CPicture::Blit(const CPicture& source, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t dx, int32_t dy)
{
    // Clip against the source picture, then the destination's clip.
    if (sx < 0) { w += sx; dx -= sx; sx = 0; }
    if (sy < 0) { h += sy; dy -= sy; sy = 0; }
    w = std::min(w, source.width - sx);
    h = std::min(h, source.height - sy);
    if (dx < clipLeft) { w -= clipLeft - dx; sx += clipLeft - dx; dx = clipLeft; }
    if (dy < clipTop) { h -= clipTop - dy; sy += clipTop - dy; dy = clipTop; }
    w = std::min(w, clipRight - dx);
    h = std::min(h, clipBottom - dy);
    if (w <= 0 || h <= 0)
        return;
    const int32_t sbpp = source.BytesPerPixel();
    const int32_t dbpp = BytesPerPixel();
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* s = source.Row(sy + row) + static_cast<size_t>(sx) * sbpp;
        uint8_t* d = Row(dy + row) + static_cast<size_t>(dx) * dbpp;
        for (int32_t col = 0; col < w; ++col, s += sbpp, d += dbpp) {
            if (!source.alpha) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                if (alpha)
                    d[3] = 255;
                continue;
            }
            const unsigned a = s[3];
            for (int i = 0; i < 3; ++i)
                d[i] = static_cast<uint8_t>((s[i] * a + d[i] * (255 - a) + 127) / 255);
            if (alpha)
                d[3] = static_cast<uint8_t>(a + (d[3] * (255 - a) + 127) / 255);
        }
    }
}
