#include "coremachines/CDistort.h"
#include <algorithm>
#include <cmath>

namespace {

double Shaped(double x, double gain, double logDrive, double wet, double dry)
{
    const double u = std::clamp(x, -1.0, 1.0);
    const double y = std::clamp(gain * std::exp2(logDrive * (1.0 - std::abs(u))) * u, -1.0, 1.0);
    return (y * wet + x * dry) * 0.5;
}

} // namespace

CDistort::CDistort(CHost* host) : CWaveShaper(host, "Drive") {}

double CDistort::Transfer(double x, double amp, double drive, double wet, double dry)
{
    return Shaped(x, 4.0 * amp + 1.0, std::log2(4.0 * drive + 1.0), wet, dry);
}

void CDistort::Shape(const double* inLeft, const double* inRight, double* outLeft, double* outRight, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        Smooth();
        const double drive = smoothed[AMOUNT];
        if (drive != logDriveFor) {
            logDrive = std::log2(4.0 * drive + 1.0);
            logDriveFor = drive;
        }
        const double gain = 4.0 * smoothed[AMP] + 1.0, wet = smoothed[WET], dry = smoothed[DRY];
        outLeft[i] = Shaped(inLeft[i], gain, logDrive, wet, dry);
        outRight[i] = Shaped(inRight[i], gain, logDrive, wet, dry);
    }
}
