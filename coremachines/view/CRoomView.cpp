#include "coremachines/view/CRoomView.h"
#include "ui/CLiteContainer.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
const ColorRef kFloor = MakeColor(24, 30, 34);
const ColorRef kOutside = MakeColor(14, 16, 18);
const ColorRef kWall = MakeColor(150, 160, 170);
const ColorRef kGrid = MakeColor(36, 44, 50);
const ColorRef kSource = MakeColor(255, 187, 0);
const ColorRef kListener = MakeColor(90, 200, 255);
constexpr int32_t kMarker = 7;
constexpr int32_t kGrab = 9;
const char* const kNames[4] = {"Src L", "Src R", "Dst L", "Dst R"};
} // namespace

CRoomView::CRoomView(CLiteContainer* container, int32_t x, int32_t y, int32_t size, Moved moved)
    : CLiteControl(container, x, y, size, size), moved(std::move(moved))
{
}

void CRoomView::SetRoom(const Room& newRoom)
{
    {
        ContainerLock lock(*this);
        room = newRoom;
    }
    Redraw();
}

double CRoomView::Scale() const
{
    return (width - 2) / std::max({room.width, room.height, 1.0});
}

int32_t CRoomView::PixelX(int32_t point) const
{
    return x + static_cast<int32_t>(std::lround(room.x[point] * Scale()));
}

int32_t CRoomView::PixelY(int32_t point) const
{
    return y + static_cast<int32_t>(std::lround(room.y[point] * Scale()));
}

std::string CRoomView::Label(int32_t point) const
{
    char text[64];
    std::snprintf(text, sizeof text, "%s %.0fM,%.0fM", kNames[point], room.x[point], room.y[point]);
    return text;
}

int32_t CRoomView::PointAt(int32_t px, int32_t py) const
{
    int32_t best = -1;
    int32_t bestDistance = kGrab * kGrab + 1;
    for (int32_t p = 0; p < 4; ++p) {
        const int32_t dx = px - PixelX(p);
        const int32_t dy = py - PixelY(p);
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = p;
        }
    }
    return best;
}

void CRoomView::Draw(CPicture& target)
{
    target.FillRect(x, y, width, height, kOutside);
    const double scale = Scale();
    const int32_t w = static_cast<int32_t>(std::lround(room.width * scale));
    const int32_t h = static_cast<int32_t>(std::lround(room.height * scale));
    target.FillRect(x, y, w, h, kFloor);
    // A grid of 5 m squares, then the walls.
    for (double m = 5.0; m < room.width; m += 5.0)
        target.FillRect(x + static_cast<int32_t>(m * scale), y, 1, h, kGrid);
    for (double m = 5.0; m < room.height; m += 5.0)
        target.FillRect(x, y + static_cast<int32_t>(m * scale), w, 1, kGrid);
    target.FillRect(x, y, w + 1, 2, kWall);
    target.FillRect(x, y + h - 1, w + 1, 2, kWall);
    target.FillRect(x, y, 2, h + 1, kWall);
    target.FillRect(x + w - 1, y, 2, h + 1, kWall);
    for (int32_t p = 0; p < 4; ++p) {
        const ColorRef colour = p < 2 ? kSource : kListener;
        const int32_t cx = PixelX(p);
        const int32_t cy = PixelY(p);
        if (p < 2) {
            target.FillRect(cx - kMarker / 2, cy - kMarker / 2, kMarker, kMarker, colour);
        } else {
            // Listeners as a ring, told apart from the sources at a glance.
            target.FillRect(cx - kMarker / 2, cy - kMarker / 2, kMarker, 2, colour);
            target.FillRect(cx - kMarker / 2, cy + kMarker / 2 - 1, kMarker, 2, colour);
            target.FillRect(cx - kMarker / 2, cy - kMarker / 2, 2, kMarker, colour);
            target.FillRect(cx + kMarker / 2 - 1, cy - kMarker / 2, 2, kMarker, colour);
        }
    }
}

void CRoomView::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    dragged = PointAt(px, py);
    if (dragged >= 0 && container) {
        container->Capture(this);
        container->ShowValueTip(this, Label(dragged).c_str());
    }
}

void CRoomView::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (dragged < 0)
        return;
    const double scale = Scale();
    const double metresX = (px - x) / scale;
    const double metresY = (py - y) / scale;
    const double relativeX = std::clamp((metresX / room.width - 0.1) / 0.8, 0.0, 1.0);
    const double relativeY = std::clamp((metresY / room.height - 0.1) / 0.8, 0.0, 1.0);
    if (moved)
        moved(dragged, relativeX, relativeY);
    if (container)
        container->ShowValueTip(this, Label(dragged).c_str());
}

void CRoomView::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    if (dragged >= 0 && container) {
        container->Release(this);
        container->HideValueTip(this);
    }
    dragged = -1;
}
