#pragma once
#include <cstdint>
#include <vector>

// Xlib as plug-in editors use it. Plug-in toolkits share the process-wide
// Xlib error handlers with the host: some raise errors on their own
// connection without a handler (Xlib's default handler ends the process),
// some replace the handlers with their own and leave them pointing into a
// library that may be unloaded. The host installs handlers that log and
// go on, before editors open and again after every editor call.
namespace platform {

void InstallX11ErrorHandlers();
// X protocol errors seen by the handler so far.
int64_t X11ErrorCount();

// What a test or the host may ask of an X11 window, over a connection of
// our own (opened on first use; false when there is no display).
struct X11WindowInfo {
    uintptr_t window = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool viewable = false;
};
bool X11ChildWindows(uintptr_t parent, std::vector<X11WindowInfo>* children);
// The window's pixels (children included) as 0xRRGGBB values, row by row.
bool X11WindowPixels(uintptr_t window, int32_t width, int32_t height, std::vector<uint32_t>* pixels);

} // namespace platform
