#include "coremachines/Dft.h"
#include <cmath>
#include <numbers>
#include <utility>

namespace {

bool IsPowerOfTwo(size_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

void FastTransform(std::vector<std::complex<double>>& data, bool inverse)
{
    const size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    const double sign = inverse ? 1.0 : -1.0;
    for (size_t length = 2; length <= n; length <<= 1) {
        const size_t half = length / 2;
        for (size_t k = 0; k < half; ++k) {
            const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(length);
            const std::complex<double> w(std::cos(angle), std::sin(angle));
            for (size_t start = 0; start < n; start += length) {
                std::complex<double> odd = data[start + k + half] * w;
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}

// O(n^2), with the twiddle factors tabulated once: index (j * k) mod n.
void DirectTransform(std::vector<std::complex<double>>& data, bool inverse)
{
    const size_t n = data.size();
    const double sign = inverse ? 1.0 : -1.0;
    std::vector<double> cosines(n), sines(n);
    for (size_t k = 0; k < n; ++k) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n);
        cosines[k] = std::cos(angle);
        sines[k] = sign * std::sin(angle);
    }
    std::vector<double> re(n), im(n);
    for (size_t j = 0; j < n; ++j) {
        re[j] = data[j].real();
        im[j] = data[j].imag();
    }
    for (size_t k = 0; k < n; ++k) {
        double sumRe = 0.0, sumIm = 0.0;
        size_t index = 0;
        for (size_t j = 0; j < n; ++j) {
            sumRe += re[j] * cosines[index] - im[j] * sines[index];
            sumIm += re[j] * sines[index] + im[j] * cosines[index];
            index += k;
            if (index >= n)
                index -= n;
        }
        data[k] = {sumRe, sumIm};
    }
}

} // namespace

void Dft(std::vector<std::complex<double>>& data, bool inverse)
{
    if (data.empty())
        return;
    if (IsPowerOfTwo(data.size()))
        FastTransform(data, inverse);
    else
        DirectTransform(data, inverse);
    if (inverse) {
        const double scale = 1.0 / static_cast<double>(data.size());
        for (auto& value : data)
            value *= scale;
    }
}
