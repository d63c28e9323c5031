#include "coremachines/view/CImpulseView.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
const ColorRef kScreen = MakeColor(16, 22, 20);
const ColorRef kGrid = MakeColor(40, 58, 52);
const ColorRef kLeft = MakeColor(255, 187, 0);
const ColorRef kRight = MakeColor(90, 200, 255);
} // namespace

CImpulseView::CImpulseView(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height)
    : CLiteControl(container, x, y, width, height)
{
}

void CImpulseView::Caption(double milliseconds, char* out, int32_t size)
{
    std::snprintf(out, static_cast<size_t>(size), milliseconds < 10.0 ? "View Time %.2fms" : "View Time %.0fms",
                  milliseconds);
}

void CImpulseView::SetResponses(const std::vector<double>& left, const std::vector<double>& right,
                                int32_t sampleRate)
{
    // The span: from 0 to the last sample any listener hears, at least 1 ms.
    size_t last = 0;
    for (const std::vector<double>* response : {&left, &right})
        for (size_t i = response->size(); i > last; --i)
            if ((*response)[i - 1] != 0.0) {
                last = i;
                break;
            }
    const size_t span = std::max<size_t>(last, static_cast<size_t>(sampleRate / 1000));
    std::vector<double> made[2];
    double peak = 0.0;
    for (int32_t side = 0; side < 2; ++side) {
        const std::vector<double>& response = side == 0 ? left : right;
        made[side].assign(static_cast<size_t>(width), 0.0);
        for (size_t i = 0; i < std::min(span, response.size()); ++i) {
            const size_t column = i * static_cast<size_t>(width) / span;
            made[side][column] = std::max(made[side][column], std::abs(response[i]));
        }
        for (double v : made[side])
            peak = std::max(peak, v);
    }
    for (auto& column : made)
        for (double& v : column)
            v = peak > 0.0 ? v / peak : 0.0;
    {
        ContainerLock lock(*this);
        columns[0].swap(made[0]);
        columns[1].swap(made[1]);
        viewMilliseconds = sampleRate > 0 ? 1000.0 * static_cast<double>(span) / sampleRate : 0.0;
    }
    Redraw();
}

void CImpulseView::Draw(CPicture& target)
{
    target.FillRect(x, y, width, height, kScreen);
    for (int32_t i = 1; i < 4; ++i)
        target.FillRect(x + i * width / 4, y, 1, height, kGrid);
    // Left listener's bars up from the middle, the right one's down.
    const int32_t half = height / 2;
    target.FillRect(x, y + half, width, 1, kGrid);
    for (int32_t side = 0; side < 2; ++side) {
        if (columns[side].size() != static_cast<size_t>(width))
            continue;
        for (int32_t c = 0; c < width; ++c) {
            const int32_t bar = static_cast<int32_t>(std::lround(columns[side][c] * (half - 2)));
            if (bar <= 0)
                continue;
            if (side == 0)
                target.FillRect(x + c, y + half - bar, 1, bar, kLeft);
            else
                target.FillRect(x + c, y + half + 1, 1, bar, kRight);
        }
    }
}
