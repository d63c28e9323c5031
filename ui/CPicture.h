#pragma once
#include "platform/OsResources.h"
#include "ui/ColorRef.h"
#include <cstddef>
#include <cstdint>

// An uncompressed picture: rows top to bottom, bytes R, G, B (and A) in file
// order. Pictures come from PNG resources of the owning module (the studio
// program or a machine library) or are made empty for composing.
class CPicture {
public:
    CPicture() = default;
    ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // Decodes the PNG resource with this number of the calling module and
    // sets the clip to the whole picture; returns the height. Raises
    // "PNG Resource %i Not Found" when the module has no such resource.
    VELMORA_MODULE_LOCAL int32_t LoadResource(uint16_t number);

    // Decodes an 8-bit RGB or RGBA PNG; raises with the reader's messages and
    // then holds no pixels.
    void Decode(const uint8_t* data, size_t length);

    // zlib's one-shot inflate; returns the bytes produced.
    static size_t Inflate(uint8_t* destination, size_t destinationSize, const uint8_t* source, size_t sourceSize);

    // An empty (all zero) picture of this size.
    void Create(int32_t newWidth, int32_t newHeight, bool withAlpha);
    void Free();
    // Exchanges contents with another picture.
    void Swap(CPicture& other);

    int32_t BytesPerPixel() const { return alpha ? 4 : 3; }
    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(BytesPerPixel()); }
    uint8_t* Row(int32_t y) { return pixels + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int32_t y) const { return pixels + static_cast<size_t>(y) * RowBytes(); }
    bool HasPixels() const { return pixels != nullptr; }

    // Drawing bounds (right and bottom exclusive), kept inside the picture.
    void SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void ResetClip() { SetClip(0, 0, width, height); }

    // Stores the colour's bytes in every pixel of the rectangle inside the
    // clip (alpha 0 in an RGBA picture).
    void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, ColorRef color);

    // Copies w × h pixels from (sx, sy) of the source to (dx, dy), inside the
    // clip; an RGBA source is blended by its alpha.
    void Blit(const CPicture& source, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t dx, int32_t dy);

    int32_t clipLeft = 0;
    int32_t clipRight = 0;
    int32_t clipTop = 0;
    int32_t clipBottom = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixels = nullptr;
    bool alpha = false;

private:
    void DecodeChunks(const uint8_t* data, size_t length);
    void DecodeImageData(const uint8_t* data, const size_t* idat, size_t idatCount, uint32_t imageWidth,
                         uint32_t imageHeight, bool withAlpha);
};
