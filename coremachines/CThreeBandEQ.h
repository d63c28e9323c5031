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
using Double4 = double __attribute__((vector_size(32)));

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

    // 2·sin(π·f/rate)
    static double Coefficient(double hz, double rate);

private:
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

// The stereo equaliser with its low and high chains side by side in four
// lanes (low left, low right, high left, high right): one chain's worth of
// instructions where the processor has four-lane registers, and exactly the
// operations of the one-side form in every lane. The output's three
// products are summed in the same order as there, so results are identical.
class CPackedThreeBandEQ {
public:
    explicit CPackedThreeBandEQ(int32_t sampleRate = 44100) { Init(sampleRate); }

    void Init(int32_t sampleRate)
    {
        const double rate = sampleRate > 0 ? sampleRate : 44100;
        const double l = CThreeBandEQ::Coefficient(CThreeBandEQ::kLowCrossover, rate);
        const double h = CThreeBandEQ::Coefficient(CThreeBandEQ::kHighCrossover, rate);
        f = Double4{l, l, h, h};
        g = 1.0 - f;
        for (auto& s : chain)
            s = Double4{};
        history[0] = history[1] = history[2] = Double2{};
    }

    // weights: {weightL, weightL, weightH, weightH} as in ProcessWeighted of
    // the one-side form.
    [[gnu::always_inline]] Double2 ProcessWeighted(Double2 x, const Double4& weights, Double2 weightDelayed)
    {
        const Double2 delayed = history[2];
        history[2] = history[1];
        history[1] = history[0];
        history[0] = x;
        return ProcessChains(x, weights) + delayed * weightDelayed;
    }

private:
    // Low and high weighted and summed.
    [[gnu::always_inline]] Double2 ProcessChains(Double2 x, const Double4& weights)
    {
        const Double4 both = __builtin_shufflevector(x, x, 0, 1, 0, 1);
        const Double4 in = both * f + CThreeBandEQ::kDenormalGuard;
        chain[0] = chain[0] * g + in;
        chain[1] = chain[1] * g + chain[0] * f;
        chain[2] = chain[2] * g + chain[1] * f;
        chain[3] = chain[3] * g + chain[2] * f;
        const Double4 weighted = chain[3] * weights;
        const Double2 low = __builtin_shufflevector(weighted, weighted, 0, 1);
        const Double2 high = __builtin_shufflevector(weighted, weighted, 2, 3);
        return low + high;
    }

    Double4 f{};
    Double4 g{}; // 1 − f
    Double4 chain[4] = {};
    Double2 history[3] = {};
};
