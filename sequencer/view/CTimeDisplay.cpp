#include "sequencer/view/CTimeDisplay.h"
#include "ui/CDrawContext.h"
#include <QPainter>
#include <cmath>
#include <cstdio>

namespace {

constexpr int32_t kBackgroundColor = 0;
constexpr int32_t kTextColor = 13;

} // namespace

CTimeDisplay::CTimeDisplay(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "TimeDisplay", x, y, width, height, true)
{
    Redraw();
}

bool CTimeDisplay::SetSeconds(double value)
{
    const double old = seconds.exchange(value, std::memory_order_relaxed);
    return Format(old) != Format(value);
}

std::string CTimeDisplay::Format(double s)
{
    // Negative or broken times (a song position before its start) read 0.
    if (!(s > 0.0) || !std::isfinite(s))
        s = 0.0;
    const int hours = static_cast<int>(std::fmod(std::trunc(s / 3600.0), 100.0));
    const int minutes = static_cast<int>(std::fmod(std::trunc(s / 60.0), 60.0));
    const int secs = static_cast<int>(std::fmod(s, 60.0));
    const int milliseconds = static_cast<int>(std::trunc(std::fmod(s, 1.0) * 1000.0));
    char text[32];
    std::snprintf(text, sizeof text, "%2i:%2i:%2i.%3i", hours, minutes, secs, milliseconds);
    std::string result = text;
    for (char& c : result) {
        if (c == ' ')
            c = '0';
    }
    return result;
}

void CTimeDisplay::Render(CDrawContext& dc)
{
    dc.FillRect(0, 0, Width(), Height(), kBackgroundColor);
    dc.Text(0, 0, Width(), Height(), Format(GetSeconds()).c_str(), kTextColor, Qt::AlignCenter);
}
