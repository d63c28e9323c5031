#pragma once
// One DudeRivi voice: its own event queue, two band-limited oscillators,
// noise and ring modulation, two filters and a formant filter, two
// envelopes, three LFOs with their sends, glide. Events are applied at their
// sample offsets by rendering the block in segments between them.
#include "coremachines/CAmplifier.h"
#include "coremachines/CBlepOscillator.h"
#include "coremachines/CEnvelopeADSR.h"
#include "coremachines/CFormantFilter.h"
#include "coremachines/CGlide.h"
#include "coremachines/CMultiModeFilter.h"
#include "coremachines/CScratchBuffer.h"
#include "coremachines/CTableOscillator.h"
#include "coremachines/DudeRiviParameters.h"
#include "framework/CControlBuffer.h"

class CHost;
class CRandom;
class CWaveTables;

class CDudeRiviVoice {
public:
    enum Buffer : int32_t {
        FILTER_ENV,
        LFO1,
        LFO2,
        LFO3,
        SLIDE,
        PITCH, // also the filters' cutoff offsets and the formant output
        WIDTH, // also the filters' resonance offsets
        PATH_A, // VCO1's output, then path A
        VCO2_OUT, // in series also the second filter's cutoff offsets
        SYNC, // also the amplifier envelope
        PATH_B, // in series also the second filter's resonance offsets
        BUFFER_COUNT,
    };

    // The work buffers of one machine's voices, which render one after the
    // other: every segment writes a buffer before it reads it, so the voices
    // can take turns with one set, which stays in cache across them.
    struct WorkBuffers {
        CScratchBuffer buffer[BUFFER_COUNT];
        void Resize(int32_t frames)
        {
            for (CScratchBuffer& b : buffer)
                b.Resize(frames);
        }
    };

    // `work` is sized by its owner, as long as the blocks.
    CDudeRiviVoice(CHost* host, const CWaveTables* tables, CRandom* random, WorkBuffers* work, int32_t sampleRate,
                   int32_t blockSize);
    CDudeRiviVoice(const CDudeRiviVoice&) = delete;
    CDudeRiviVoice& operator=(const CDudeRiviVoice&) = delete;

    // A note on makes the event's note the voice's current note, a note off
    // clears it (−1).
    void Queue(const MachineEvent& event);
    int32_t Note() const { return note; }
    bool IsSounding() const { return ampEnvelope.IsActive(); }

    // Applies the queued events at their offsets and adds the voice's
    // output to both channels.
    void Render(double* left, double* right, int32_t count);

    void SetSampleRate(int32_t hz);
    void SetBlockSize(int32_t frames);

private:
    struct Oscillator {
        CBlepOscillator vco;
        double pulseWidth = 0.5;
        double semitone = 0.5;
        double envMod = 0.0;
    };

    struct Filter {
        CMultiModeFilter vcf;
        double keyFollow = 1.0;
        double envMod = 0.5;
    };

    struct Lfo {
        CTableOscillator oscillator;
        int32_t shape = 0;
        double fadeTime = 0.0;
        double fade = 1.0;
        int32_t send[dude::kLfoSends] = {};
        double amount[dude::kLfoSends] = {};
    };

    void Apply(const MachineEvent& event);
    void ApplyParameter(int32_t index, double x);
    void ApplyEnvelopeParameter(CEnvelopeADSR& envelope, int32_t which, double x);
    void ApplyLfoParameter(Lfo& lfo, int32_t which, double x);
    void StartNote(int32_t key, double velocity, double frequency);
    void UpdateBaseFrequencies();

    void RenderSpan(double* left, double* right, int32_t count);
    void RenderSegment(double* left, double* right, int32_t count);
    void UpdateMatrix();
    void RenderLfo(Lfo& lfo, double* out, int32_t count);
    void AddLfos(double* out, int32_t destination, int32_t count) const;
    bool HasLfo(int32_t destination) const;
    void RenderOscillator(Oscillator& osc, int32_t pitchDest, int32_t widthDest, int32_t ampDest, double* out,
                          const double* syncIn, double* syncOut, int32_t count);
    void Mix(int32_t count);
    void MixWithNoiseAndRing(int32_t count);
    // Writes a filter's cutoff offsets into `cutoff` and, when an LFO moves
    // its resonance, the resonance offsets into `resonance`, which it then
    // returns (else null).
    const double* FilterOffsets(const Filter& filter, int32_t pitchDest, int32_t resonanceDest, double* cutoff,
                                double* resonance, int32_t count);
    // Both filters over path A with the saturation between them.
    void FilterInSeries(double* signal, const double* cutoff1, const double* resonance1, const double* cutoff2,
                        const double* resonance2, int32_t count);
    void Saturate(double* signal, int32_t count) const;
    double* Scratch(Buffer b) { return work->buffer[b].Data(); }

    CHost* host;
    const CWaveTables* tables;
    CRandom* random;
    WorkBuffers* work;
    int32_t sampleRate;
    int32_t capacity = 0;
    CControlBuffer queue;
    int32_t note = -1;
    // Idle with its filters cleared.
    bool settled = false;

    // The note being played.
    double noteFrequency = 440.0;
    double velocity = 0.0;

    CGlide glide;
    Oscillator osc1;
    Oscillator osc2;
    double detune = 0.1;
    bool sync = false;
    Lfo lfos[dude::kLfoCount];
    CEnvelopeADSR ampEnvelope;
    CEnvelopeADSR filterEnvelope;
    Filter filter1;
    Filter filter2;
    CFormantFilter formant;
    CAmplifier amplifier;

    int32_t routing = dude::ROUTING_SERIAL;
    double formantMix = 0.0;
    double balance = 0.5;
    double oscVolume = 1.0;
    double noiseLevel = 0.0;
    double ringLevel = 0.0;
    int32_t saturation = dude::SATURATION_NONE;
    double overdrive = 1.0;

    // amount[d][k]: LFO k's summed sends to destination d.
    double matrix[dude::DESTINATION_COUNT][dude::kLfoCount] = {};
};
