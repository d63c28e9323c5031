#include "coremachines/CGlide.h"
#include "coremachines/Units.h"
#include "framework/CHost.h"
#include <cmath>

CGlide::CGlide(CHost* host, int32_t sampleRate) : host(host), sampleRate(sampleRate > 0 ? sampleRate : 1) {}

void CGlide::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    sampleRate = hz;
    if (sliding)
        segment.Retune(curve, 1.0 / (duration * sampleRate));
}

double CGlide::Value() const
{
    return sliding ? start + (target - start) * lastShape : target;
}

void CGlide::SetTargetNote(int32_t note)
{
    double hz = 0.0;
    if (host->GetNoteFrequency(note, &hz) != 0 || hz <= 0.0)
        return;
    SetTargetOctave(FrequencyToOctave(hz));
}

void CGlide::SetTargetOctave(double octave)
{
    if (!hasTarget) {
        hasTarget = true;
        target = octave;
        return;
    }
    const double from = Value();
    target = octave;
    duration = std::abs(octave - from) * glideTime + portamentoTime;
    if (duration > 0.0) {
        start = from;
        lastShape = 0.0;
        sliding = true;
        segment.Start(curve, 0.0, 1.0 / (duration * sampleRate));
    } else {
        sliding = false;
    }
}

void CGlide::Render(double* out, int32_t count)
{
    int32_t i = 0;
    for (; i < count && sliding; ++i) {
        lastShape = segment.Step();
        if (segment.Finished()) {
            sliding = false;
            out[i] = 0.0;
        } else {
            out[i] = start + (target - start) * lastShape - target;
        }
    }
    for (; i < count; ++i)
        out[i] = 0.0;
}
