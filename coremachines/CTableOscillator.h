#pragma once
// Table-lookup oscillator (LFOs, drum oscillators) with sample-and-hold and
// sample-and-glide random shapes and pitch-buffer rendering.
#include "coremachines/CWaveTables.h"
#include <cstdint>

class CRandom;

class CTableOscillator {
public:
    // Pitch-buffer renders recompute the frequency on every fourth sample.
    static constexpr int32_t kPitchInterval = 4;

    CTableOscillator(int32_t sampleRate, WaveTable table, double frequency);
    virtual ~CTableOscillator() = default;
    CTableOscillator(const CTableOscillator&) = delete;
    CTableOscillator& operator=(const CTableOscillator&) = delete;

    void SetSampleRate(int32_t hz);
    void SetFrequency(double hz);
    // Sets the base octave and the frequency 440·2^(octave − 5).
    void SetOctave(double octave);
    void SelectTable(WaveTable table) { this->table = table; }
    // The random shapes draw from this source; without one they hold 0.
    void SetRandomSource(CRandom* source);

    void Render(double* out, int32_t count);
    // Moves the phase as Render would (up to rounding), without output.
    void Skip(int32_t count);
    void RenderSampleAndHold(double* out, int32_t count);
    void RenderSampleAndGlide(double* out, int32_t count);
    // Frequency 440·2^(pitch[i] + base octave − 5), pitch in octaves.
    void RenderPitched(double* out, const double* pitch, int32_t count);
    // own table·(1 − w') + second table·w' at the same phase, with
    // w' = weight, or weights[i]·weight when a weight buffer is given.
    void RenderMix(double* out, const double* pitch, WaveTable second, double weight, const double* weights,
                   int32_t count);

    double Frequency() const { return frequency; }
    double BaseOctave() const { return baseOctave; }

protected:
    double PitchIncrement(double pitch) const;
    // p += increment, wrapping into [0, 1); true when it wrapped.
    bool Advance(double increment) { return Advance(phase, increment); }
    // The same on a phase held in a local while a block runs (the output
    // stores could alias the member).
    static bool Advance(double& p, double increment)
    {
        p += increment;
        if (p < 1.0)
            return false;
        p -= 1.0;
        if (p >= 1.0)
            p -= static_cast<double>(static_cast<int64_t>(p));
        return true;
    }
    static double Lookup(const WaveTable& table, double p)
    {
        const double position = p * table.size;
        // A phase that left 0..1 (from a NaN frequency) reads no outside.
        if (!(position >= 0.0))
            return table.values[0];
        const int32_t i = position < table.size ? static_cast<int32_t>(position) : table.size - 1;
        const int32_t next = i + 1 < table.size ? i + 1 : 0;
        return table.values[i] + (position - i) * (table.values[next] - table.values[i]);
    }
    double Increment() const { return frequency / sampleRate; }
    double DrawRandom();

    int32_t sampleRate;
    double frequency;
    double baseOctave = 0.0;
    double phase = 0.0;
    WaveTable table;
    double current = 0.0;
    double next = 0.0;
    CRandom* random = nullptr;
};
