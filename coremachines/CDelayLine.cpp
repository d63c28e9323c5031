#include "coremachines/CDelayLine.h"
#include "coremachines/Units.h"
#include <algorithm>
#include <cmath>
#include <numbers>

CDelayLine::CDelayLine(int32_t sampleRate) : sampleRate(1)
{
    SetSampleRate(sampleRate);
}

void CDelayLine::SetSampleRate(int32_t hz)
{
    sampleRate = std::max(hz, 1);
    buffer.assign(static_cast<size_t>(sampleRate), 0.0);
    writeIndex = 0;
    history.Clear();
    computedFor = -1.0;
    UpdateTarget();
    readOffset = targetOffset;
    rendered = false;
}

void CDelayLine::SetDelayTime(double seconds)
{
    delayTime = seconds;
    UpdateTarget();
    if (!rendered)
        readOffset = targetOffset;
}

void CDelayLine::UpdateTarget()
{
    targetOffset = (Length() - 1) * (1.0 - std::clamp(delayTime, 0.0, 1.0));
}

void CDelayLine::SetFilterOctave(double value)
{
    octave = value;
    computedFor = -1.0;
}

void CDelayLine::Compute(double modulation)
{
    computedFor = modulation;
    const double hz = std::clamp(OctaveToFrequency(octave) * 12.0 * modulation, 1.0, sampleRate / 4.0);
    coefficients.LowPass(std::numbers::pi * hz / sampleRate, std::numbers::sqrt2);
}

void CDelayLine::Render(const double* in, double* out, const double* modulation, int32_t count)
{
    const int32_t length = Length();
    rendered = true;
    // The filter's state and the read point in locals: the buffer stores
    // could alias the members and would hold them in memory.
    BiquadHistory h = history;
    double read = readOffset;
    int32_t write = writeIndex;
    double* line = buffer.data();
    for (int32_t i = 0; i < count; ++i) {
        if (i % kCoefficientInterval == 0 && modulation[i] != computedFor)
            Compute(modulation[i]);

        if (read < targetOffset)
            read = std::min(targetOffset, read + (targetOffset - read + 0.1) * 0.0004);
        else if (read > targetOffset)
            read = std::max(targetOffset, read - (read - targetOffset + 0.1) * 0.0004);

        double position = write + read;
        if (position >= length)
            position -= length;
        auto index = static_cast<int32_t>(position);
        if (index >= length)
            index = length - 1;
        const int32_t next = index + 1 < length ? index + 1 : 0;
        const double r = line[index] + (position - index) * (line[next] - line[index]);

        const double y = h.Process(coefficients, r * feedback + in[i]);
        line[write] = y;
        out[i] = y;
        if (++write == length)
            write = 0;
    }
    history = h;
    readOffset = read;
    writeIndex = write;
}
