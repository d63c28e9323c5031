#pragma once
#include <cstdint>
#include <string>

// What a native window class fixes for its windows. Qt has no classes: the
// toolkit keeps one description per kind of window, made once per process on
// first use, and every window created from it carries its name.
struct WindowClass {
    std::string name;
    uint32_t styles;
    bool arrowCursor;
};

enum WindowClassStyle : uint32_t {
    kClassVerticalRedraw = 0x0001,
    kClassHorizontalRedraw = 0x0002,
    kClassDoubleClicks = 0x0008,
    kClassOwnDeviceContext = 0x0020,
    kClassGlobal = 0x4000,
};

// Child controls: "ZTControl_0x%x" with the tick count of the first use.
const WindowClass& ControlWindowClass();
// Top-level windows: "VelmoraWindow".
const WindowClass& TopLevelWindowClass();
// How many classes this process has registered so far.
int32_t RegisteredWindowClassCount();
