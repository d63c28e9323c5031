#pragma once
// Audio oscillator with band-limited edges: a naive saw or pulse whose
// discontinuities are smoothed by step corrections mixed into a short
// circular buffer, with pulse width and hard sync in and out.
#include "coremachines/CTableOscillator.h"
#include <algorithm>
#include <vector>

class CStepTable;

class CBlepOscillator : public CTableOscillator {
public:
    enum Shape : int32_t {
        SHAPE_TRI_SQUARE = 1, // pulse with ramped edges (integrated step)
        SHAPE_SAW = 2,
        SHAPE_SQUARE = 3,
    };

    // Without step tables the edges stay naive.
    CBlepOscillator(int32_t sampleRate, WaveTable table, double frequency, const CStepTable* stepTable = nullptr,
                    const CStepTable* integratedStepTable = nullptr);

    // Base octave from a note frequency transposed by int((knob − 0.5)·96)
    // semitones plus a fine detune in semitones.
    void SetBaseFrequency(double noteFrequency, double transposeKnob, double detuneSemitones = 0.0);
    // Clears the phase.
    void SelectShape(int32_t shape);

    // The pulse width (−1..1) used while no pulse width buffer is given.
    void SetFixedPulseWidth(double width) { fixedWidth = std::clamp((width + 1.0) * 0.5, 0.0, 1.0); }

    // Every buffer may be null: pitch (octaves added to the base octave,
    // read every fourth sample), pulse width (−1..1, else the fixed one), sync input
    // (a sample of exactly 0 restarts the cycle), sync output (0 on the
    // samples where the cycle restarted, else 1).
    void Render(double* out, int32_t count, const double* pitch, const double* pulseWidth, const double* syncIn,
                double* syncOut);

private:
    // The phase increment for an octave, kept for the last octave and rate.
    double ClampedIncrement(double octave)
    {
        if (octave != cachedOctave || sampleRate != cachedRate) {
            cachedOctave = octave;
            cachedRate = sampleRate;
            cachedIncrement = ComputeIncrement(octave);
        }
        return cachedIncrement;
    }
    double ComputeIncrement(double octave) const;
    template <bool Saw, bool SyncIn, bool SyncOut>
    void RenderLoop(double* out, int32_t count, const double* pitch, const double* pulseWidth, const double* syncIn,
                    double* syncOut);
    void AddStep(double amplitude, double samplesSinceEdge);

    const CStepTable* stepTable;
    const CStepTable* integratedStepTable;
    int32_t shape = SHAPE_SAW;
    bool high = false; // the pulse shapes' naive level
    double fixedWidth = 0.5; // as a fraction of the cycle
    std::vector<double> corrections;
    int32_t readIndex = 0;
    double cachedOctave = 0.0;
    int32_t cachedRate = 0; // 0: nothing cached yet
    double cachedIncrement = 0.0;
};
