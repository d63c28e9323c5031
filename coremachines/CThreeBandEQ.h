#pragma once
// Three-band equaliser: low and high bands from two chains of four one-pole
// low passes (crossovers 880 Hz and 5000 Hz), the mid band as what is left
// of the input delayed by three samples. With all three band gains at 1 the
// bands add back to that delayed input.
//
// One instance equalises one channel side (T = double) or both sides of a
// channel at once, one side per lane (T = Double2): the lanes run exactly
// the operations of the one-side form, in half the instructions.
#include <cstdint>

using Double2 = double __attribute__((vector_size(16)));

template <typename T>
class CThreeBandEQState {
public:
    static constexpr double kLowCrossover = 880.0;
    static constexpr double kHighCrossover = 5000.0;
    // Keeps the one-pole chains out of denormal numbers in silence.
    static constexpr double kDenormalGuard = 2.3283064370807974e-10;

    explicit CThreeBandEQState(int32_t sampleRate = 44100) { Init(sampleRate); }

    // New crossover coefficients for the rate; the state is cleared.
    void Init(int32_t sampleRate)
    {
        const double rate = sampleRate > 0 ? sampleRate : 44100;
        fl = T{} + Coefficient(kLowCrossover, rate);
        fh = T{} + Coefficient(kHighCrossover, rate);
        gl = 1.0 - fl;
        gh = 1.0 - fh;
        for (int32_t i = 0; i < 4; ++i)
            low[i] = high[i] = T{};
        history[0] = history[1] = history[2] = T{};
    }

    T Process(T x, T lowGain, T midGain, T highGain)
    {
        return ProcessWeighted(x, lowGain - midGain, midGain - highGain, highGain);
    }

    // low = L, high = delayed − H, mid = delayed − (high + low) = H − L:
    // the weighted sum regrouped as L·(low − mid) + H·(mid − high) +
    // delayed·high, three products instead of five. Callers with steady
    // gains compute the three weights once.
    T ProcessWeighted(T x, T weightL, T weightH, T weightDelayed)
    {
        // s += (in − s)·f, written as s·(1 − f) + in·f: the product of the
        // input leaves the chain from one sample's s to the next, which is
        // then one multiplication and one addition long.
        const T lowIn = x * fl + kDenormalGuard;
        const T highIn = x * fh + kDenormalGuard;
        low[0] = low[0] * gl + lowIn;
        high[0] = high[0] * gh + highIn;
        low[1] = low[1] * gl + low[0] * fl;
        high[1] = high[1] * gh + high[0] * fh;
        low[2] = low[2] * gl + low[1] * fl;
        high[2] = high[2] * gh + high[1] * fh;
        low[3] = low[3] * gl + low[2] * fl;
        high[3] = high[3] * gh + high[2] * fh;
        const T delayed = history[2];
        history[2] = history[1];
        history[1] = history[0];
        history[0] = x;
        return low[3] * weightL + high[3] * weightH + delayed * weightDelayed;
    }

private:
    // 2·sin(π·f/rate)
    static double Coefficient(double hz, double rate);

    T fl{};
    T fh{};
    T gl{}; // 1 − fl
    T gh{}; // 1 − fh
    T low[4] = {};
    T high[4] = {};
    T history[3] = {};
};

using CThreeBandEQ = CThreeBandEQState<double>;
using CStereoThreeBandEQ = CThreeBandEQState<Double2>;
