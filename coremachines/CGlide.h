#pragma once
// Pitch slide in octaves: a new target starts a bowed slide from the current
// value lasting |distance|·glide time + portamento time; the rendered output
// is the remaining offset from the target.
#include "coremachines/CCurve.h"
#include <cstdint>

class CHost;

class CGlide {
public:
    CGlide(CHost* host, int32_t sampleRate);

    void SetSampleRate(int32_t hz);
    void SetGlideTime(double secondsPerOctave) { glideTime = secondsPerOctave; }
    void SetPortamentoTime(double seconds) { portamentoTime = seconds; }
    void SetCurve(double k) { curve.SetConstant(k); }

    // The note's frequency comes from the host's note table.
    void SetTargetNote(int32_t note);
    void SetTargetOctave(double octave);

    // Offset of the current value from the target, in octaves (0 when idle).
    void Render(double* out, int32_t count);

    double Value() const;
    double Target() const { return target; }
    bool IsSliding() const { return sliding; }

private:
    CHost* host;
    int32_t sampleRate;
    double glideTime = 0.0;
    double portamentoTime = 0.0;
    CCurve curve;
    CCurveSegment segment;
    bool hasTarget = false;
    bool sliding = false;
    double start = 0.0;
    double target = 0.0;
    double duration = 0.0;
    double lastShape = 0.0;
};
