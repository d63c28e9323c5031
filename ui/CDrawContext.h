#pragma once
#include "ui/ColorRef.h"
#include <QPainter>
#include <cstdint>

class CColorManager;
class CPicture;
class QFont;
class QImage;

// The drawing layer of the controls: a painter on a window or an off-screen
// buffer with the control's colour manager and font. Colours are given by
// number; without a colour manager every number draws black.
class CDrawContext {
public:
    CDrawContext(QPaintDevice* device, CColorManager* colors, const QFont* font);
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    QPainter& Painter() { return painter; }
    CColorManager* Colors() const { return colors; }

    void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, int32_t colorNumber);
    void FillRectColor(int32_t x, int32_t y, int32_t w, int32_t h, ColorRef color);
    // A one-pixel line from (x0, y0) to (x1, y1), both ends included.
    void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t colorNumber);
    // Text inside the rectangle; flags are Qt alignment and wrap flags.
    void Text(int32_t x, int32_t y, int32_t w, int32_t h, const char* text, int32_t colorNumber, int flags);
    void DrawImage(int32_t x, int32_t y, const QImage& image);
    void DrawPicture(int32_t x, int32_t y, const CPicture& picture);
    // Fills the rectangle with the picture repeated, as if its top-left
    // corner lay at (originX, originY) of the picture.
    void TilePicture(int32_t x, int32_t y, int32_t w, int32_t h, const CPicture& picture, int32_t originX, int32_t originY);

private:
    QPainter painter;
    CColorManager* colors;
};

// A QImage over the picture's pixels (no copy): valid while the picture is.
QImage PictureImage(const CPicture& picture);
