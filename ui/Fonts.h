#pragma once
#include <cstdint>

class QFont;
class QPaintDevice;

// A font of `points` size for the device (the screen when null): pixel height
// = device's vertical dots per inch ÷ 72 × points, weight bold or regular.
// A face that is not installed falls back through fontconfig's substitution
// (Verdana → DejaVu Sans on a stock Debian). The caller owns the font.
// Raises "Can't Create Font <face>" when no font can be had at all.
QFont* CreateFont(const QPaintDevice* device, const char* face, int32_t points, bool bold);

// The editors' default: "Verdana" 9 points, regular.
inline constexpr const char* kDefaultFontFace = "Verdana";
inline constexpr int32_t kDefaultFontPoints = 9;
