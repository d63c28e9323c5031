#include "studio/CableVolume.h"
#include <algorithm>
#include <cmath>

namespace {
constexpr double kFloorDecibels = -90.0;
}

double CableGainToSliderPosition(double gain)
{
    double decibels = gain > 0.0 ? 10.0 * std::log10(gain) : kFloorDecibels;
    decibels = std::clamp(decibels, kFloorDecibels, 0.0);
    return 1.0 - (0.0 - decibels) / -kFloorDecibels;
}

double SliderPositionToCableGain(double position)
{
    double decibels = (position - 1.0) * -kFloorDecibels;
    return std::pow(10.0, decibels / 10.0);
}
