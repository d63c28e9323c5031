#include "coremachines/CCrunch.h"
#include <algorithm>
#include <cmath>

CCrunch::CCrunch(CHost* host) : CWaveShaper(host, "Vorize") {}

namespace {

double Levels(double crunch)
{
    return std::ldexp(1.0, static_cast<int32_t>((1.0 - crunch) * 15.0 + 1.0));
}

double Quantised(double x, double gain, double levels, double wet, double dry)
{
    const double u = std::clamp(x, -1.0, 1.0);
    const double sign = u >= 0.0 ? 1.0 : -1.0;
    const double q = std::clamp(std::trunc(std::abs(u) * levels) * sign * gain / levels, -1.0, 1.0);
    return (q * wet + x * dry) * 0.5;
}

} // namespace

double CCrunch::Transfer(double x, double amp, double crunch, double wet, double dry)
{
    return Quantised(x, 4.0 * amp + 1.0, Levels(crunch), wet, dry);
}

void CCrunch::Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        Smooth();
        if (smoothed[AMOUNT] != levelsFor) {
            levelsFor = smoothed[AMOUNT];
            levels = Levels(levelsFor);
        }
        const double gain = 4.0 * smoothed[AMP] + 1.0, wet = smoothed[WET], dry = smoothed[DRY];
        outLeft[i] = Quantised(inLeft[i], gain, levels, wet, dry);
        outRight[i] = Quantised(inRight[i], gain, levels, wet, dry);
    }
}
