#pragma once
// Pitch and level conventions shared by every machine of the library.
#include <cmath>

// Pitch is an octave number: octave 5 is 440 Hz.
inline double OctaveToFrequency(double octave)
{
    return 440.0 * std::exp2(octave - 5.0);
}

inline double FrequencyToOctave(double hz)
{
    // ln 440 and 1 / ln 2.
    return (std::log(hz) - 6.0867747269123065) * 1.4426950408889634 + 5.0;
}

// Levels use the power form throughout the library.
inline double DecibelsToGain(double decibels)
{
    return std::pow(10.0, decibels / 10.0);
}

inline double GainToDecibels(double gain)
{
    return 10.0 * std::log10(gain);
}

// A curve knob 0..1 as the curve constant of CCurve (0.5 is straight).
inline double CurveConstant(double knob)
{
    return (knob - 0.5) * 16.0;
}

// A time knob 0..1 as seconds, for envelope stages.
inline double StageSeconds(double knob)
{
    double seconds = 8.0 * knob * knob * knob;
    return seconds < 0.01 ? 0.01 : seconds;
}

// Moves a smoothed value toward its target by (difference + 0.1)·0.0004,
// never past it: the library's per-sample glide for gains.
inline void GlideToward(double& value, double target)
{
    if (value < target) {
        value += (target - value + 0.1) * 0.0004;
        if (value > target)
            value = target;
    } else if (value > target) {
        value -= (value - target + 0.1) * 0.0004;
        if (value < target)
            value = target;
    }
}
