#pragma once
#include "ui/CLiteControl.h"
#include <functional>
#include <string>

// The reverb's room seen from above, scaled so that its longer side fills
// the view: the walls, the two sources and the two listeners. A point can be dragged inside the room; the
// view reports the new relative position (0 … 1 of the walls' inner 80 %)
// and shows what the machine then says.
class CRoomView : public CLiteControl {
public:
    // Points in the machine's order: sources left, right; listeners left, right.
    struct Room {
        double width = 10.0;
        double height = 10.0;
        double x[4] = {};
        double y[4] = {};
    };
    // A dragged point and its new relative coordinates.
    using Moved = std::function<void(int32_t point, double relativeX, double relativeY)>;

    CRoomView(CLiteContainer* container, int32_t x, int32_t y, int32_t size, Moved moved);

    void SetRoom(const Room& newRoom);
    void Draw(CPicture& target) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

    // The point nearest to (px, py) within a few pixels, or −1.
    int32_t PointAt(int32_t px, int32_t py) const;
    // Where a point is drawn, in container pixels.
    int32_t PixelX(int32_t point) const;
    int32_t PixelY(int32_t point) const;
    // "Src L 3M,2M", "Dst R 5M,8M".
    std::string Label(int32_t point) const;
    int32_t Dragged() const { return dragged; }

private:
    // Pixels per metre.
    double Scale() const;

    Room room;
    Moved moved;
    int32_t dragged = -1;
};
