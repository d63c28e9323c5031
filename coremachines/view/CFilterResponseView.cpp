#include "coremachines/view/CFilterResponseView.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
const ColorRef kScreen = MakeColor(16, 22, 20);
const ColorRef kGrid = MakeColor(40, 58, 52);
const ColorRef kCurve = MakeColor(255, 187, 0);
const ColorRef kFill = MakeColor(70, 56, 16);
} // namespace

CFilterResponseView::CFilterResponseView(CLiteContainer* container, int32_t x, int32_t y, int32_t width,
                                         int32_t height)
    : CLiteControl(container, x, y, width, height)
{
}

void CFilterResponseView::SetDesign(const std::vector<double>& taps)
{
    double dc = 0.0;
    for (double tap : taps)
        dc += tap;
    // |H(e^jw)| at each column's frequency, evaluated directly: a few
    // hundred taps by a few hundred columns, once per change.
    std::vector<double> made(static_cast<size_t>(width), kFloorDb);
    for (int32_t c = 0; c < width; ++c) {
        const double w = std::numbers::pi * c / std::max(1, width - 1);
        double re = 0.0, im = 0.0;
        for (size_t n = 0; n < taps.size(); ++n) {
            re += taps[n] * std::cos(w * static_cast<double>(n));
            im -= taps[n] * std::sin(w * static_cast<double>(n));
        }
        const double magnitude = dc != 0.0 ? std::hypot(re, im) / std::abs(dc) : 0.0;
        made[c] = magnitude > 0.0 ? std::max(kFloorDb, 20.0 * std::log10(magnitude)) : kFloorDb;
    }
    {
        ContainerLock lock(*this);
        decibels.swap(made);
    }
    Redraw();
}

double CFilterResponseView::ColumnDb(int32_t column) const
{
    return column >= 0 && column < static_cast<int32_t>(decibels.size()) ? decibels[column] : kFloorDb;
}

void CFilterResponseView::Draw(CPicture& target)
{
    target.FillRect(x, y, width, height, kScreen);
    // A line every 20 dB, and at each quarter of the band.
    for (int32_t db = 20; db < 120; db += 20)
        target.FillRect(x, y + db * (height - 1) / 120, width, 1, kGrid);
    for (int32_t i = 1; i < 4; ++i)
        target.FillRect(x + i * width / 4, y, 1, height, kGrid);
    if (decibels.size() != static_cast<size_t>(width))
        return;
    int32_t previous = -1;
    for (int32_t c = 0; c < width; ++c) {
        const double db = std::clamp(decibels[c], kFloorDb, 0.0);
        const int32_t row = static_cast<int32_t>(std::lround(-db / -kFloorDb * (height - 2)));
        target.FillRect(x + c, y + row + 2, 1, height - row - 2, kFill);
        const int32_t top = previous < 0 ? row : std::min(row, previous);
        const int32_t bottom = previous < 0 ? row : std::max(row, previous);
        target.FillRect(x + c, y + top, 1, bottom - top + 2, kCurve);
        previous = row;
    }
}
