#pragma once
// Three-band equaliser of one channel side: low and high bands from two
// chains of four one-pole low passes (crossovers 880 Hz and 5000 Hz), the
// mid band as what is left of the input delayed by three samples. With all
// three band gains at 1 the bands add back to that delayed input.
#include <cstdint>

class CThreeBandEQ {
public:
    static constexpr double kLowCrossover = 880.0;
    static constexpr double kHighCrossover = 5000.0;
    // Keeps the one-pole chains out of denormal numbers in silence.
    static constexpr double kDenormalGuard = 2.3283064370807974e-10;

    explicit CThreeBandEQ(int32_t sampleRate = 44100) { Init(sampleRate); }

    // New crossover coefficients for the rate; the state is cleared.
    void Init(int32_t sampleRate);

    double Process(double x, double lowGain, double midGain, double highGain)
    {
        low[0] += (x - low[0]) * fl + kDenormalGuard;
        low[1] += (low[0] - low[1]) * fl;
        low[2] += (low[1] - low[2]) * fl;
        low[3] += (low[2] - low[3]) * fl;
        high[0] += (x - high[0]) * fh + kDenormalGuard;
        high[1] += (high[0] - high[1]) * fh;
        high[2] += (high[1] - high[2]) * fh;
        high[3] += (high[2] - high[3]) * fh;
        const double delayed = history[2];
        history[2] = history[1];
        history[1] = history[0];
        history[0] = x;
        const double l = low[3];
        const double h = delayed - high[3];
        const double m = delayed - (h + l);
        return l * lowGain + m * midGain + h * highGain;
    }

private:
    double fl = 0.0;
    double fh = 0.0;
    double low[4] = {};
    double high[4] = {};
    double history[3] = {};
};
