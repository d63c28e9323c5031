#include "coremachines/view/CLiteMeter.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr int32_t kSegments = static_cast<int32_t>((CLiteMeter::kTopDb - CLiteMeter::kFloorDb) / 3.0); // 18
constexpr int32_t kYellowFrom = static_cast<int32_t>((-9.0 - CLiteMeter::kFloorDb) / 3.0);
constexpr int32_t kRedFrom = static_cast<int32_t>((0.0 - CLiteMeter::kFloorDb) / 3.0);

ColorRef SegmentColour(int32_t segment, bool on)
{
    if (segment >= kRedFrom)
        return on ? MakeColor(255, 40, 30) : MakeColor(60, 16, 14);
    if (segment >= kYellowFrom)
        return on ? MakeColor(255, 210, 0) : MakeColor(58, 50, 10);
    return on ? MakeColor(40, 230, 70) : MakeColor(14, 50, 20);
}
} // namespace

CLiteMeter::CLiteMeter(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height)
    : CLiteControl(container, x, y, width, height)
{
}

int32_t CLiteMeter::SegmentsFor(double magnitude)
{
    if (!(magnitude > 0.0))
        return 0;
    const double db = 20.0 * std::log10(magnitude);
    return std::clamp(static_cast<int32_t>(std::ceil((db - kFloorDb) / 3.0)), 0, kSegments);
}

void CLiteMeter::SetPeak(double magnitude)
{
    const int32_t segments = SegmentsFor(magnitude);
    if (segments == lit)
        return;
    {
        ContainerLock lock(*this);
        lit = segments;
    }
    Redraw();
}

void CLiteMeter::Draw(CPicture& target)
{
    target.FillRect(x, y, width, height, MakeColor(8, 8, 10));
    const int32_t pitch = std::max(1, (height - 1) / kSegments);
    for (int32_t s = 0; s < kSegments; ++s) {
        const int32_t top = y + height - 1 - (s + 1) * pitch;
        target.FillRect(x + 1, top + 1, width - 2, pitch - 1, SegmentColour(s, s < lit));
    }
}
