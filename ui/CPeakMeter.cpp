#include "ui/CPeakMeter.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include <algorithm>
#include <limits>

namespace {

ColorRef Scaled(ColorRef c, int (*f)(int))
{
    return MakeColor(static_cast<uint8_t>(f(RedOf(c))), static_cast<uint8_t>(f(GreenOf(c))),
                     static_cast<uint8_t>(f(BlueOf(c))));
}

int Brighter(int v)
{
    return std::min(255, v + v / 4);
}

int Dimmed(int v)
{
    return v / 8 + 63;
}

} // namespace

CPeakMeter::CPeakMeter(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "PeakMeter", x, y, width, height, true)
{
    for (int32_t i = 0; i < kChannels; ++i)
        levels[i] = peaks[i] = -std::numeric_limits<double>::infinity();
    Redraw();
}

void CPeakMeter::SetLevel(int32_t channel, double level, double peak)
{
    if (channel < 0 || channel >= kChannels)
        return;
    CLockGuard<CMutex> lock(*this);
    levels[channel] = level;
    peaks[channel] = peak;
}

double CPeakMeter::GetLevel(int32_t channel)
{
    CLockGuard<CMutex> lock(*this);
    return channel >= 0 && channel < kChannels ? levels[channel] : 0.0;
}

double CPeakMeter::GetPeak(int32_t channel)
{
    CLockGuard<CMutex> lock(*this);
    return channel >= 0 && channel < kChannels ? peaks[channel] : 0.0;
}

void CPeakMeter::Render(CDrawContext& dc)
{
    double level[kChannels];
    double peak[kChannels];
    {
        CLockGuard<CMutex> lock(*this);
        std::copy(levels, levels + kChannels, level);
        std::copy(peaks, peaks + kChannels, peak);
    }
    ColorRef palette[3] = {MakeColor(0, 240, 0), MakeColor(240, 240, 0), MakeColor(240, 0, 0)};
    if (CColorManager* colors = Colors()) {
        CLockGuard<CColorManager> lock(*colors);
        palette[0] = colors->GetColor(kLowColor);
        palette[1] = colors->GetColor(kMiddleColor);
        palette[2] = colors->GetColor(kTopColor);
    }
    dc.FillRect(0, 0, Width(), Height(), BackgroundColor());
    const int32_t count = SegmentCount(Width());
    const int32_t barHeight = (Height() - 6) / 2;
    for (int32_t channel = 0; channel < kChannels; ++channel) {
        const int32_t top = 2 + channel * (barHeight + 2);
        for (int32_t i = 1; i <= count; ++i) {
            int32_t fromRight = count - i;
            ColorRef color = palette[fromRight < 4 ? 2 : fromRight < 8 ? 1 : 0];
            int32_t left = 2 + 3 * (i - 1);
            if (!IsLit(SegmentFloor(count, i), level[channel], peak[channel])) {
                dc.FillRectColor(left, top, 3, barHeight, Scaled(color, Dimmed));
                continue;
            }
            // Outermost rows and columns a quarter brighter, the middle in full colour.
            dc.FillRectColor(left, top, 3, barHeight, Scaled(color, Brighter));
            dc.FillRectColor(left + 1, top + 1, 1, barHeight - 2, color);
        }
    }
}
