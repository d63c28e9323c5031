#pragma once
#include "ui/CLiteControl.h"

// A vertical level meter of 3 dB segments from −48 dB up to +6 dB: green,
// yellow from −9 dB, red above 0 dB. The level is set from the GUI thread's
// refresh and drawn under the container's lock.
class CLiteMeter : public CLiteControl {
public:
    static constexpr double kFloorDb = -48.0;
    static constexpr double kTopDb = 6.0;

    CLiteMeter(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);

    // A peak sample magnitude (1 = 0 dB); redraws only when a segment changes.
    void SetPeak(double magnitude);
    int32_t LitSegments() const { return lit; }
    static int32_t SegmentsFor(double magnitude);

    void Draw(CPicture& target) override;

private:
    int32_t lit = 0;
};
