#include "coremachines/CBlepOscillator.h"
#include "coremachines/CStepTable.h"
#include "coremachines/Units.h"
#include <algorithm>
#include <cmath>

CBlepOscillator::CBlepOscillator(int32_t sampleRate, WaveTable table, double frequency, const CStepTable* stepTable,
                                 const CStepTable* integratedStepTable)
    : CTableOscillator(sampleRate, table, frequency), stepTable(stepTable), integratedStepTable(integratedStepTable)
{
    baseOctave = FrequencyToOctave(frequency);
    int32_t zeroCrossings = 0;
    for (const CStepTable* t : {stepTable, integratedStepTable})
        if (t)
            zeroCrossings = std::max(zeroCrossings, t->ZeroCrossings());
    if (zeroCrossings > 0)
        corrections.assign(static_cast<size_t>(2 * zeroCrossings + 1), 0.0);
}

void CBlepOscillator::SetBaseFrequency(double noteFrequency, double transposeKnob, double detuneSemitones)
{
    const double semitones = static_cast<int32_t>((transposeKnob - 0.5) * 96.0) + detuneSemitones;
    double hz = semitones >= 0.0 ? noteFrequency * std::exp2(semitones / 12.0)
                                 : noteFrequency / std::exp2(-semitones / 12.0);
    frequency = hz;
    baseOctave = FrequencyToOctave(hz);
}

void CBlepOscillator::SelectShape(int32_t newShape)
{
    shape = newShape;
    phase = 0.0;
    high = false;
}

double CBlepOscillator::ComputeIncrement(double octave) const
{
    const double hz = std::clamp(OctaveToFrequency(octave), 1.0, sampleRate / 4.0);
    return hz / sampleRate;
}

void CBlepOscillator::AddStep(double amplitude, double samplesSinceEdge)
{
    const CStepTable* t = shape == SHAPE_TRI_SQUARE ? integratedStepTable : stepTable;
    if (!t || corrections.empty() || amplitude == 0.0)
        return;
    // NaN counts as 0: it would index the table anywhere.
    const double since = samplesSinceEdge > 0.0 ? std::min(samplesSinceEdge, 1.0) : 0.0;
    const auto length = static_cast<int32_t>(corrections.size());
    const int32_t span = 2 * t->ZeroCrossings();
    // The ring from the read index on, in at most two straight runs.
    int32_t done = 0;
    int32_t index = readIndex;
    while (done < span) {
        const int32_t run = std::min(span - done, length - index);
        t->AddCorrections(amplitude, since, done, corrections.data() + index, run);
        done += run;
        index = 0;
    }
}

void CBlepOscillator::Render(double* out, int32_t count, const double* pitch, const double* pulseWidth,
                             const double* syncIn, double* syncOut)
{
    // One loop for each case, so that none tests per sample what holds for
    // the whole block.
    const bool saw = shape == SHAPE_SAW;
    using Loop = void (CBlepOscillator::*)(double*, int32_t, const double*, const double*, const double*, double*);
    static constexpr Loop kLoops[2][2][2] = {
        {{&CBlepOscillator::RenderLoop<false, false, false>, &CBlepOscillator::RenderLoop<false, false, true>},
         {&CBlepOscillator::RenderLoop<false, true, false>, &CBlepOscillator::RenderLoop<false, true, true>}},
        {{&CBlepOscillator::RenderLoop<true, false, false>, &CBlepOscillator::RenderLoop<true, false, true>},
         {&CBlepOscillator::RenderLoop<true, true, false>, &CBlepOscillator::RenderLoop<true, true, true>}},
    };
    (this->*kLoops[saw][syncIn != nullptr][syncOut != nullptr])(out, count, pitch, pulseWidth, syncIn, syncOut);
}

template <bool Saw, bool SyncIn, bool SyncOut>
void CBlepOscillator::RenderLoop(double* out, int32_t count, const double* pitch, const double* pulseWidth,
                                 const double* syncIn, double* syncOut)
{
    double increment = ClampedIncrement(baseOctave);
    const auto length = static_cast<int32_t>(corrections.size());
    // The running state in locals (the output stores could alias the
    // members); AddStep reads the read index, so it is handed over first.
    double p = phase;
    bool hi = high;
    int32_t read = readIndex;
    double* pending = corrections.data();
    const auto step = [&](double amplitude, double samplesSinceEdge) {
        readIndex = read;
        AddStep(amplitude, samplesSinceEdge);
    };
    for (int32_t i = 0; i < count; ++i) {
        if (pitch && i % kPitchInterval == 0)
            increment = ClampedIncrement(pitch[i] + baseOctave);

        p += increment;
        bool restarted = true;
        if (SyncIn && syncIn[i] == 0.0) {
            // The naive level falls from wherever it had reached.
            const double reached = Saw ? std::min(p, 1.0) : (hi ? 1.0 : 0.0);
            p = 0.0;
            step(reached, 0.0);
        } else if (p >= 1.0) {
            p -= 1.0;
            if (p >= 1.0)
                p -= std::floor(p);
            step(Saw || hi ? 1.0 : 0.0, p / increment);
        } else {
            restarted = false;
        }
        if (restarted)
            hi = false;
        if constexpr (SyncOut)
            syncOut[i] = restarted ? 0.0 : 1.0;

        double level;
        if constexpr (Saw) {
            level = p;
        } else {
            const double width = pulseWidth ? std::clamp((pulseWidth[i] + 1.0) * 0.5, 0.0, 1.0) : fixedWidth;
            if (!hi && p >= width) {
                hi = true;
                step(-1.0, (p - width) / increment);
            }
            level = hi ? 1.0 : 0.0;
        }
        if (length > 0) {
            level += pending[read];
            pending[read] = 0.0;
            if (++read == length)
                read = 0;
        }
        out[i] = level * 2.0 - 1.0;
    }
    phase = p;
    high = hi;
    readIndex = read;
}
