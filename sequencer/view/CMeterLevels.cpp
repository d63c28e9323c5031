#include "sequencer/view/CMeterLevels.h"
#include "platform/OsTime.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// 0 marks "no time"; a clock that reads 0 is taken as 1 ms later.
uint32_t Stamp(uint32_t now)
{
    return now == 0 ? 1 : now;
}

} // namespace

CMeterLevels::CMeterLevels()
{
    for (int32_t i = 0; i < kChannels; ++i)
        levels[i] = peaks[i] = -std::numeric_limits<double>::infinity();
}

void CMeterLevels::PutPeaks(double first, double second)
{
    PutPeaksAt(first, second, platform::GetTickCount());
}

void CMeterLevels::PutPeaksAt(double first, double second, uint32_t now)
{
    CLockGuard lock(*this);
    Put(0, first, now);
    Put(1, second, now);
}

void CMeterLevels::Put(int32_t channel, double squared, uint32_t now)
{
    // log10 of 0 is -infinity: a silent block lights nothing.
    const double level = squared > 0.0 ? 10.0 * std::log10(squared) : -std::numeric_limits<double>::infinity();
    levels[channel] = level;
    if (level > peaks[channel]) {
        peaks[channel] = level;
        peakTimes[channel] = Stamp(now);
    }
}

void CMeterLevels::Decay(uint32_t now)
{
    CLockGuard lock(*this);
    now = Stamp(now);
    for (int32_t i = 0; i < kChannels; ++i) {
        if (peakTimes[i] == 0) {
            peakTimes[i] = now;
            continue;
        }
        const uint32_t elapsed = now - peakTimes[i];
        if (elapsed <= kHoldMilliseconds)
            continue;
        const double seconds = elapsed / 1000.0;
        peaks[i] = std::max(kPeakFloor, peaks[i] - kDecayPerSecond * (seconds - 1.0));
        peakTimes[i] = Stamp(now - kHoldMilliseconds);
    }
}

double CMeterLevels::GetLevel(int32_t channel)
{
    CLockGuard lock(*this);
    return channel >= 0 && channel < kChannels ? levels[channel] : -std::numeric_limits<double>::infinity();
}

double CMeterLevels::GetPeak(int32_t channel)
{
    CLockGuard lock(*this);
    return channel >= 0 && channel < kChannels ? peaks[channel] : -std::numeric_limits<double>::infinity();
}
