#pragma once
#include "ui/ColorRef.h"
#include <cstdint>

class QBrush;

// Messages a control's window hands to CControl::HandleMessage. The numbers
// follow the classic window-message numbering so that a native back end can
// pass its own messages straight through.
enum ControlMessage : uint32_t {
    kMessageSize = 0x0005,              // p2: width | height << 16
    kMessagePaint = 0x000F,             // p1: CDrawContext*
    kMessageClose = 0x0010,
    kMessageNcPaint = 0x0085,           // p1: CDrawContext*
    kMessageCtlColorEdit = 0x0133,      // p1: ControlColors* to fill
    kMessageCtlColorListBox = 0x0134,   // p1: ControlColors* to fill
    kMessageCtlColorScrollBar = 0x0137, // p1: ControlColors* to fill
    kMessageMouseMove = 0x0200,         // p1: key state; p2: x | y << 16 (signed 16-bit each)
    kMessageLeftButtonDown = 0x0201,
    kMessageLeftButtonUp = 0x0202,
    kMessageLeftButtonDoubleClick = 0x0203,
    kMessageRightButtonDown = 0x0204,
    kMessageRightButtonUp = 0x0205,
    kMessageCaptureChanged = 0x0215,
    kMessageApplicationFirst = 0x8000, // application messages: 0x8000 ... 0xBFFF
    kMessageApplicationLast = 0xBFFF,
};

// Key state bits passed with mouse messages.
enum KeyState : uint32_t {
    kKeyLeftButton = 0x0001,
    kKeyRightButton = 0x0002,
    kKeyShift = 0x0004,
    kKeyControl = 0x0008,
    kKeyMiddleButton = 0x0010,
};

// Show commands for CControl::Show.
enum ShowCommand : int32_t {
    kShowHide = 0,
    kShowNormal = 1,
    kShowMinimized = 2,
    kShowMaximized = 3,
    kShow = 5,
};

// What a control answers to the colour messages of its native children.
struct ControlColors {
    ColorRef text = 0;
    ColorRef background = 0;
    const QBrush* brush = nullptr;
};

constexpr intptr_t PackPoint(int32_t x, int32_t y)
{
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(x))) |
                                 (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}
constexpr int32_t PointX(intptr_t p) { return static_cast<int16_t>(static_cast<uint16_t>(p & 0xFFFF)); }
constexpr int32_t PointY(intptr_t p) { return static_cast<int16_t>(static_cast<uint16_t>((p >> 16) & 0xFFFF)); }
constexpr int32_t LowWord(intptr_t p) { return static_cast<int32_t>(p & 0xFFFF); }
constexpr int32_t HighWord(intptr_t p) { return static_cast<int32_t>((p >> 16) & 0xFFFF); }
