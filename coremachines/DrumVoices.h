#pragma once
// The drum machine's eleven fixed patches. Each takes the kit's parameter
// indices for the parameters it receives.
#include "coremachines/CAmplifier.h"
#include "coremachines/CBlepOscillator.h"
#include "coremachines/CDrumKitVoice.h"

class CWaveTables;

class CBassDrum : public CDrumKitVoice {
public:
    CBassDrum(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize);
    double TuneHz() const { return tuneHz; }

protected:
    void Synthesize(double* out, const double* noise, int32_t count) override;
    void SetParameter(int32_t index, double value) override;
    void Trigger() override;
    bool MainEnvelopeActive() const override { return amp.IsActive() || click.IsActive(); }

private:
    WaveTable triangle;
    CTableOscillator body;
    CDrumEnvelope pitch;
    CDrumEnvelope amp;
    CDrumEnvelope click;
    CMultiModeFilter clickLowPass;
    CMultiModeFilter clickBandPass;
    CMultiModeFilter noiseLowPass;
    CAmplifier bodyAmp;
    CAmplifier clickAmp;
    double tuneHz = 250.0;
    bool impulse = false;
};

class CSnareDrum : public CDrumKitVoice {
public:
    CSnareDrum(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize);
    double TuneHz() const { return first.Frequency(); }

protected:
    void Synthesize(double* out, const double* noise, int32_t count) override;
    void SetParameter(int32_t index, double value) override;

private:
    WaveTable triangle;
    CTableOscillator first;
    CTableOscillator second;
    CDrumEnvelope body1;
    CDrumEnvelope body2;
    CDrumEnvelope pitch;
    CDrumEnvelope snap;
    CDrumEnvelope snare;
    CMultiModeFilter noiseLowPass;
    CMultiModeFilter noiseHighPass;
    CAmplifier amp1;
    CAmplifier amp2;
    CAmplifier snareAmp;
    double snappy = 0.0;       // target gain
    double snappySmooth = -1.0; // < 0 until the first sample
};

class CTomDrum : public CDrumKitVoice {
public:
    // Variant 0 low, 1 mid, 2 high; `tune`, `decay` are the kit's indices.
    CTomDrum(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize, int32_t variant, int32_t tuneIndex,
             int32_t decayIndex);
    double TuneHz(int32_t oscillator) const { return oscillators3[oscillator]->Frequency(); }

protected:
    void Synthesize(double* out, const double* noise, int32_t count) override;
    void SetParameter(int32_t index, double value) override;
    bool MainEnvelopeActive() const override { return amp.IsActive(); }

private:
    WaveTable triangle;
    int32_t variant;
    int32_t tuneIndex;
    int32_t decayIndex;
    CTableOscillator o1;
    CTableOscillator o2;
    CTableOscillator o3;
    CTableOscillator* oscillators3[3];
    CDrumEnvelope amp;
    CDrumEnvelope noiseEnvelope;
    CMultiModeFilter noiseLowPass;
    CAmplifier bodyAmp;
    CAmplifier noiseAmp;
};

// Rim shot and clap: noise·n → filter → band pass swept up by m·(second
// envelope) octaves → amplitude of the first envelope.
class CNoiseBurst : public CDrumKitVoice {
protected:
    CNoiseBurst(int32_t sampleRate, int32_t blockSize, double noiseGain, double sweepOctaves);
    void Synthesize(double* out, const double* noise, int32_t count) override;
    bool MainEnvelopeActive() const override { return first.IsActive() || second.IsActive(); }

    double noiseGain;
    double sweep;
    CDrumEnvelope first;
    CDrumEnvelope second;
    CMultiModeFilter filter;
    CMultiModeFilter bandPass;
    CAmplifier ampStage;
};

class CRimShot : public CNoiseBurst {
public:
    CRimShot(int32_t sampleRate, int32_t blockSize);
};

class CClap : public CNoiseBurst {
public:
    CClap(int32_t sampleRate, int32_t blockSize);
};

// Both hi-hats: noise → band pass 8000 Hz (→ high pass 4000 Hz, open) →
// amplitude of the envelope.
class CHiHat : public CDrumKitVoice {
protected:
    CHiHat(int32_t sampleRate, int32_t blockSize, bool open, int32_t decayIndex);
    void Synthesize(double* out, const double* noise, int32_t count) override;
    void SetParameter(int32_t index, double value) override;

    bool open;
    int32_t decayIndex;
    CDrumEnvelope envelope;
    CMultiModeFilter bandPass;
    CMultiModeFilter highPass;
    CAmplifier ampStage;
};

class CHiHatClosed : public CHiHat {
public:
    CHiHatClosed(int32_t sampleRate, int32_t blockSize);
    double DecaySeconds() const { return envelope.DecaySeconds(); }
};

class CHiHatOpen : public CHiHat {
public:
    CHiHatOpen(int32_t sampleRate, int32_t blockSize);
    double DecaySeconds() const { return envelope.DecaySeconds(); }
};

// Crash and ride: six square oscillators, a band pass for the stick and a
// high pass for the shimmer, which the body envelope colours.
class CCymbal : public CDrumKitVoice {
public:
    double DecaySeconds() const { return shimmer.DecaySeconds(); }

protected:
    CCymbal(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize, double bodyAttack, double bodyDecay,
            int32_t decayIndex, double decayScale, double decayBase);
    void Synthesize(double* out, const double* noise, int32_t count) override;
    void SetParameter(int32_t index, double value) override;
    bool MainEnvelopeActive() const override { return stick.IsActive() || shimmer.IsActive(); }

private:
    static constexpr int32_t kOscillators = 6;
    CBlepOscillator o1, o2, o3, o4, o5, o6;
    CBlepOscillator* squares[kOscillators];
    CDrumEnvelope stick;
    CDrumEnvelope body;
    CDrumEnvelope shimmer;
    CMultiModeFilter bandPass;
    CMultiModeFilter highPass;
    CAmplifier stickAmp;
    CAmplifier shimmerAmp;
    int32_t decayIndex;
    double decayScale;
    double decayBase;
};

class CCrashCymbal : public CCymbal {
public:
    CCrashCymbal(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize);
};

class CRideCymbal : public CCymbal {
public:
    CRideCymbal(const CWaveTables* tables, int32_t sampleRate, int32_t blockSize);
};
