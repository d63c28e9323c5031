#include "platform/OsX11.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {

namespace {

std::atomic<int64_t> errorCount{0};

int LogError(Display* display, XErrorEvent* event)
{
    const int64_t count = ++errorCount;
    // Some editors raise dozens; the first few say enough.
    if (count <= 8) {
        char text[128] = {};
        XGetErrorText(display, event->error_code, text, sizeof text);
        std::fprintf(stderr, "X11 error %s (request %d.%d), ignored\n", text, event->request_code,
                     event->minor_code);
    }
    return 0;
}

int LogIOError(Display*)
{
    // Xlib ends the process after this returns; at least say why.
    std::fprintf(stderr, "X11 connection lost\n");
    return 0;
}

std::mutex queryLock;
Display* queryDisplay = nullptr;

Display* QueryDisplay()
{
    if (!queryDisplay)
        queryDisplay = XOpenDisplay(nullptr);
    return queryDisplay;
}

} // namespace

void InstallX11ErrorHandlers()
{
    XSetErrorHandler(&LogError);
    XSetIOErrorHandler(&LogIOError);
}

int64_t X11ErrorCount()
{
    return errorCount.load();
}

bool X11ChildWindows(uintptr_t parent, std::vector<X11WindowInfo>* children)
{
    std::lock_guard<std::mutex> guard(queryLock);
    children->clear();
    Display* display = QueryDisplay();
    if (!display)
        return false;
    Window root = 0;
    Window parentOfParent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, static_cast<Window>(parent), &root, &parentOfParent, &list, &count))
        return false;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, list[i], &attributes))
            continue;
        children->push_back({static_cast<uintptr_t>(list[i]), attributes.x, attributes.y, attributes.width,
                             attributes.height, attributes.map_state == IsViewable});
    }
    if (list)
        XFree(list);
    return true;
}

bool X11WindowPixels(uintptr_t window, int32_t width, int32_t height, std::vector<uint32_t>* pixels)
{
    std::lock_guard<std::mutex> guard(queryLock);
    pixels->clear();
    Display* display = QueryDisplay();
    if (!display || width <= 0 || height <= 0)
        return false;
    XImage* image = XGetImage(display, static_cast<Window>(window), 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    pixels->reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x)
            pixels->push_back(static_cast<uint32_t>(XGetPixel(image, x, y) & 0xffffff));
    }
    XDestroyImage(image);
    return true;
}

} // namespace platform
