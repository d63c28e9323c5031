#pragma once
// Measurements for the DSP tests, written independently of the library's
// own transform: a radix-2 spectrum, zero-crossing frequency counting, the
// RMS gain of a sine through a processor.
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace measure {

inline void Fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (size_t start = 0; start < n; start += len)
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const auto odd = a[start + k + len / 2] * w;
                a[start + k + len / 2] = a[start + k] - odd;
                a[start + k] += odd;
            }
    }
}

// Power per bin (0..n/2) of a Blackman-Harris windowed signal; the length
// must be a power of two.
inline std::vector<double> PowerSpectrum(const std::vector<double>& signal)
{
    const size_t n = signal.size();
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n; ++i) {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
        const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        a[i] = signal[i] * w;
    }
    Fft(a);
    std::vector<double> power(n / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k)
        power[k] = std::norm(a[k]);
    return power;
}

// Frequency from rising zero crossings (linearly interpolated) of a signal
// with zero mean: periods between the first and the last crossing.
inline double CrossingFrequency(const std::vector<double>& x, double sampleRate, double level = 0.0)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i - 1] < level && x[i] >= level) {
            const double t = static_cast<double>(i - 1) + (level - x[i - 1]) / (x[i] - x[i - 1]);
            if (first < 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) / (last - first) * sampleRate;
}

// Frequency of the strongest bin, refined by parabolic interpolation of the
// log power.
inline double PeakFrequency(const std::vector<double>& signal, double sampleRate)
{
    const auto power = PowerSpectrum(signal);
    size_t best = 1;
    for (size_t k = 1; k + 1 < power.size(); ++k)
        if (power[k] > power[best])
            best = k;
    const double a = std::log(power[best - 1]), b = std::log(power[best]), c = std::log(power[best + 1]);
    const double offset = 0.5 * (a - c) / (a - 2 * b + c);
    return (static_cast<double>(best) + offset) * sampleRate / static_cast<double>(signal.size());
}

inline double Rms(const double* x, size_t n)
{
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(n));
}

// Gain of a block processor (in place) for a sine of `hz`: RMS out / RMS in
// over the second half of `seconds`, after the start-up transient.
inline double SineGain(const std::function<void(double*, int32_t)>& process, double hz, double sampleRate,
                       double seconds = 1.0)
{
    const auto n = static_cast<size_t>(seconds * sampleRate);
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / sampleRate);
    std::vector<double> y = x;
    for (size_t done = 0; done < n; done += 256)
        process(y.data() + done, static_cast<int32_t>(std::min<size_t>(256, n - done)));
    return Rms(y.data() + n / 2, n - n / 2) / Rms(x.data() + n / 2, n - n / 2);
}

inline double Decibels(double amplitudeRatio)
{
    return 20.0 * std::log10(amplitudeRatio);
}

} // namespace measure
