#include "coremachines/CTableOscillator.h"
#include "coremachines/CRandom.h"
#include "coremachines/Units.h"
#include <cmath>

CTableOscillator::CTableOscillator(int32_t sampleRate, WaveTable table, double frequency)
    : sampleRate(sampleRate > 0 ? sampleRate : 1), frequency(frequency), table(table)
{
}

void CTableOscillator::SetSampleRate(int32_t hz)
{
    if (hz > 0)
        sampleRate = hz;
}

void CTableOscillator::SetFrequency(double hz)
{
    frequency = hz;
}

void CTableOscillator::SetOctave(double octave)
{
    baseOctave = octave;
    frequency = OctaveToFrequency(octave);
}

void CTableOscillator::SetRandomSource(CRandom* source)
{
    random = source;
    current = 0.0;
    next = DrawRandom();
}

double CTableOscillator::DrawRandom()
{
    return random ? random->Bipolar() : 0.0;
}

double CTableOscillator::PitchIncrement(double pitch) const
{
    return 440.0 * std::exp2(pitch + baseOctave - 5.0) / sampleRate;
}

void CTableOscillator::Render(double* out, int32_t count)
{
    const double increment = Increment();
    double p = phase;
    for (int32_t i = 0; i < count; ++i) {
        out[i] = Lookup(table, p);
        Advance(p, increment);
    }
    phase = p;
}

void CTableOscillator::Skip(int32_t count)
{
    phase += Increment() * count;
    phase -= std::floor(phase);
}

void CTableOscillator::RenderSampleAndHold(double* out, int32_t count)
{
    const double increment = Increment();
    for (int32_t i = 0; i < count; ++i) {
        out[i] = current;
        if (Advance(increment))
            current = DrawRandom();
    }
}

void CTableOscillator::RenderSampleAndGlide(double* out, int32_t count)
{
    const double increment = Increment();
    for (int32_t i = 0; i < count; ++i) {
        out[i] = current + (next - current) * phase;
        if (Advance(increment)) {
            current = next;
            next = DrawRandom();
        }
    }
}

void CTableOscillator::RenderPitched(double* out, const double* pitch, int32_t count)
{
    double increment = 0.0;
    double p = phase;
    for (int32_t i = 0; i < count; ++i) {
        if (i % kPitchInterval == 0)
            increment = PitchIncrement(pitch[i]);
        out[i] = Lookup(table, p);
        Advance(p, increment);
    }
    phase = p;
}

void CTableOscillator::RenderMix(double* out, const double* pitch, WaveTable second, double weight,
                                 const double* weights, int32_t count)
{
    double increment = 0.0;
    double p = phase;
    for (int32_t i = 0; i < count; ++i) {
        if (i % kPitchInterval == 0)
            increment = PitchIncrement(pitch[i]);
        const double w = weights ? weights[i] * weight : weight;
        out[i] = Lookup(table, p) * (1.0 - w) + Lookup(second, p) * w;
        Advance(p, increment);
    }
    phase = p;
}
