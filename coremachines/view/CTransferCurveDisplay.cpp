#include "coremachines/view/CTransferCurveDisplay.h"
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "ui/CPicture.h"
#include <algorithm>
#include <cmath>

namespace {
const ColorRef kScreen = MakeColor(16, 22, 20);
const ColorRef kGrid = MakeColor(40, 58, 52);
const ColorRef kAxis = MakeColor(70, 96, 88);
const ColorRef kCurve = MakeColor(255, 187, 0);
} // namespace

CTransferCurveDisplay::CTransferCurveDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width,
                                             int32_t height, Transfer transfer)
    : CLiteControl(container, x, y, width, height), transfer(transfer)
{
}

void CTransferCurveDisplay::SetCurve(double newAmp, double newAmount)
{
    {
        ContainerLock lock(*this);
        amp = newAmp;
        amount = newAmount;
    }
    Redraw();
}

int32_t CTransferCurveDisplay::CurveRow(int32_t column) const
{
    // The shaped signal before the output's halving, so a full-scale curve
    // fills the picture.
    const double input = width > 1 ? -1.0 + 2.0 * column / (width - 1) : 0.0;
    const double output = std::clamp(2.0 * transfer(input, amp, amount, 1.0, 0.0), -1.0, 1.0);
    return static_cast<int32_t>(std::lround((1.0 - output) * 0.5 * (height - 1)));
}

void CTransferCurveDisplay::Draw(CPicture& target)
{
    target.FillRect(x, y, width, height, kScreen);
    for (int32_t i = 1; i < 4; ++i) {
        const ColorRef colour = i == 2 ? kAxis : kGrid;
        target.FillRect(x + i * width / 4, y, 1, height, colour);
        target.FillRect(x, y + i * height / 4, width, 1, colour);
    }
    // Joined columns, two pixels thick, so steps read as steps.
    int32_t previous = CurveRow(0);
    for (int32_t column = 0; column < width; ++column) {
        const int32_t row = CurveRow(column);
        const int32_t top = std::min(row, previous);
        const int32_t bottom = std::min(std::max(row, previous) + 2, height);
        target.FillRect(x + column, y + top, std::min(2, width - column), bottom - top, kCurve);
        previous = row;
    }
}

CCrunchDisplay::CCrunchDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height)
    : CTransferCurveDisplay(container, x, y, width, height, &CCrunch::Transfer)
{
}

COverDriveDisplay::COverDriveDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height)
    : CTransferCurveDisplay(container, x, y, width, height, &CDistort::Transfer)
{
}
