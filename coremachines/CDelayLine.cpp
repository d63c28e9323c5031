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
    v1 = v2 = y1 = y2 = 0.0;
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
    const double p = 1.0 / std::tan(std::numbers::pi * hz / sampleRate);
    const double d = std::numbers::sqrt2;
    const double a = 1.0 / (1.0 + d * p + p * p);
    b0 = a;
    b1 = 2.0 * a;
    b2 = a;
    a1 = 2.0 * a * (1.0 - p * p);
    a2 = a * (1.0 - d * p + p * p);
}

void CDelayLine::Render(const double* in, double* out, const double* modulation, int32_t count)
{
    const int32_t length = Length();
    rendered = true;
    for (int32_t i = 0; i < count; ++i) {
        if (i % kCoefficientInterval == 0 && modulation[i] != computedFor)
            Compute(modulation[i]);

        if (readOffset < targetOffset)
            readOffset = std::min(targetOffset, readOffset + (targetOffset - readOffset + 0.1) * 0.0004);
        else if (readOffset > targetOffset)
            readOffset = std::max(targetOffset, readOffset - (readOffset - targetOffset + 0.1) * 0.0004);

        double position = writeIndex + readOffset;
        if (position >= length)
            position -= length;
        auto index = static_cast<int32_t>(position);
        if (index >= length)
            index = length - 1;
        const int32_t next = index + 1 < length ? index + 1 : 0;
        const double r = buffer[static_cast<size_t>(index)] +
                         (position - index) * (buffer[static_cast<size_t>(next)] - buffer[static_cast<size_t>(index)]);

        const double v = r * feedback + in[i];
        const double y = b0 * v + b1 * v1 + b2 * v2 - a1 * y1 - a2 * y2;
        v2 = v1;
        v1 = v;
        y2 = y1;
        y1 = y;
        buffer[static_cast<size_t>(writeIndex)] = y;
        out[i] = y;
        if (++writeIndex == length)
            writeIndex = 0;
    }
}
