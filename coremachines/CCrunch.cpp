#include "coremachines/CCrunch.h"
#include <algorithm>
#include <cmath>

CCrunch::CCrunch(CHost* host) : CWaveShaper(host, "Vorize") {}

double CCrunch::Transfer(double x, double amp, double crunch, double wet, double dry)
{
    const double u = std::clamp(x, -1.0, 1.0);
    const double sign = u >= 0.0 ? 1.0 : -1.0;
    const double levels = std::ldexp(1.0, static_cast<int32_t>((1.0 - crunch) * 15.0 + 1.0));
    const double q = std::clamp(std::trunc(std::abs(u) * levels) * sign * (4.0 * amp + 1.0) / levels, -1.0, 1.0);
    return (q * wet + x * dry) * 0.5;
}

void CCrunch::Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        Smooth();
        const double amp = smoothed[AMP], crunch = smoothed[AMOUNT], wet = smoothed[WET], dry = smoothed[DRY];
        outLeft[i] = Transfer(inLeft[i], amp, crunch, wet, dry);
        outRight[i] = Transfer(inRight[i], amp, crunch, wet, dry);
    }
}

CCrunchInfo::CCrunchInfo(CHost* host) : host(host)
{
    name = "ZT Vorize";
    identifier = "VelmPlug::ZT Vorize";
}

CMachine* CCrunchInfo::CreateMachine()
{
    return new CCrunch(host);
}
