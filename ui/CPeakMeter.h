#pragma once
#include "framework/CMutex.h"
#include "ui/CControl.h"

// A segmented level meter with two bars (upper: first channel). Each
// segment is 3 pixels wide and stands for 3 dB, the right end for +12 dB.
// Levels are written under the meter's own lock (by whoever measures) and
// drawn from it, typically on the graphics thread through Redraw.
class CPeakMeter : public CControl, public CMutex {
public:
    static constexpr int32_t kChannels = 2;
    static constexpr int32_t kLowColor = 38;
    static constexpr int32_t kMiddleColor = 39;
    static constexpr int32_t kTopColor = 40;

    CPeakMeter(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    // Current level and held peak of a channel in dB (-infinity lights no
    // segment).
    void SetLevel(int32_t channel, double level, double peak);
    double GetLevel(int32_t channel);
    double GetPeak(int32_t channel);

    void Render(CDrawContext& dc) override;

    static int32_t SegmentCount(int32_t meterWidth) { return (meterWidth - 4) / 3; }
    // Segment i (1 ... count) covers (floor, floor + 3] dB.
    static double SegmentFloor(int32_t count, int32_t i) { return -3.0 * (count - 4) + 3.0 * (i - 1); }
    static bool IsLit(double floor, double level, double peak) { return level > floor || (peak > floor && peak <= floor + 3); }

private:
    double levels[kChannels];
    double peaks[kChannels];
};
