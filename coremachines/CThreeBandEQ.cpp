#include "coremachines/CThreeBandEQ.h"
#include <cmath>
#include <numbers>

void CThreeBandEQ::Init(int32_t sampleRate)
{
    const double rate = sampleRate > 0 ? sampleRate : 44100;
    fl = 2.0 * std::sin(std::numbers::pi * kLowCrossover / rate);
    fh = 2.0 * std::sin(std::numbers::pi * kHighCrossover / rate);
    for (int32_t i = 0; i < 4; ++i)
        low[i] = high[i] = 0.0;
    history[0] = history[1] = history[2] = 0.0;
}
