#include "coremachines/CStepTable.h"
#include "coremachines/Dft.h"
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <numbers>
#include <utility>

namespace {

// Magnitudes this small only occur through rounding; the floor keeps the
// logarithm finite.
constexpr double kSmallestMagnitude = 1e-100;

int32_t ReadInt32(const unsigned char* data)
{
    uint32_t value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                     static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    return static_cast<int32_t>(value);
}

double ReadDouble(const unsigned char* data)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | data[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void WriteInt32(std::vector<unsigned char>& out, int32_t value)
{
    auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

void WriteDouble(std::vector<unsigned char>& out, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

int64_t TableSize(int32_t zeroCrossings, int32_t oversampling)
{
    return 2 * static_cast<int64_t>(zeroCrossings) * oversampling + 1;
}

} // namespace

CStepTable::CStepTable(int32_t zeroCrossings, int32_t oversampling, std::vector<double> values)
    : zeroCrossings(zeroCrossings), oversampling(oversampling), values(std::move(values))
{
    OrderByFraction();
}

void CStepTable::OrderByFraction()
{
    const auto taps = static_cast<size_t>(2 * zeroCrossings);
    const auto o = static_cast<size_t>(oversampling);
    valueByFraction.assign(taps * o, 0.0);
    slopeByFraction.assign(taps * o, 0.0);
    for (size_t m = 0; m < o; ++m) {
        for (size_t k = 0; k < taps; ++k) {
            // Every such index has a next value: the table holds 2·Z·O + 1.
            const size_t index = k * o + m;
            valueByFraction[m * taps + k] = values[index];
            slopeByFraction[m * taps + k] = values[index + 1] - values[index];
        }
    }
}

void CStepTable::AddCorrections(double amplitude, double since, int32_t first, double* out, int32_t count) const
{
    const int32_t taps = 2 * zeroCrossings;
    // The fraction's row, as the first tap finds it; the rounding of k + since
    // can carry a later tap's index into the neighbouring row, and such a
    // tap is read as At reads it.
    const double firstPosition = (first + since) * oversampling;
    const int32_t row = static_cast<int32_t>(firstPosition) - first * oversampling;
    const bool rowed = first >= 0 && first + count <= taps && row >= 0 && row < oversampling;
    const double* rowValues = rowed ? valueByFraction.data() + static_cast<size_t>(row) * taps : nullptr;
    const double* rowSlopes = rowed ? slopeByFraction.data() + static_cast<size_t>(row) * taps : nullptr;
    const auto one = [&](int32_t j) {
        const int32_t k = first + j;
        const double samples = k + since;
        const double position = samples * oversampling;
        const auto index = static_cast<int32_t>(position);
        double value;
        if (rowed && index == k * oversampling + row)
            value = rowValues[k] + (position - index) * rowSlopes[k];
        else
            value = At(samples);
        out[j] += amplitude * (1.0 - value);
    };
    int32_t j = 0;
#ifdef __SSE2__
    if (rowed) {
        // Two taps at a time, with the same operations in the same order.
        const __m128d a = _mm_set1_pd(amplitude);
        const __m128d s = _mm_set1_pd(since);
        const __m128d o = _mm_set1_pd(oversampling);
        const __m128d unit = _mm_set1_pd(1.0);
        __m128i k = _mm_setr_epi32(first, first + 1, 0, 0);
        __m128i expected = _mm_setr_epi32(first * oversampling + row, (first + 1) * oversampling + row, 0, 0);
        const __m128i two = _mm_setr_epi32(2, 2, 0, 0);
        const __m128i twoRows = _mm_setr_epi32(2 * oversampling, 2 * oversampling, 0, 0);
        for (; j + 2 <= count; j += 2) {
            const __m128d position = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(k), s), o);
            const __m128i index = _mm_cvttpd_epi32(position);
            if ((_mm_movemask_epi8(_mm_cmpeq_epi32(index, expected)) & 0xff) == 0xff) {
                const int32_t tap = first + j;
                const __m128d fraction = _mm_sub_pd(position, _mm_cvtepi32_pd(index));
                const __m128d value = _mm_add_pd(_mm_loadu_pd(rowValues + tap),
                                                 _mm_mul_pd(fraction, _mm_loadu_pd(rowSlopes + tap)));
                _mm_storeu_pd(out + j, _mm_add_pd(_mm_loadu_pd(out + j), _mm_mul_pd(a, _mm_sub_pd(unit, value))));
            } else {
                one(j);
                one(j + 1);
            }
            k = _mm_add_epi32(k, two);
            expected = _mm_add_epi32(expected, twoRows);
        }
    }
#endif
    for (; j < count; ++j)
        one(j);
}

CStepTable CStepTable::Generate(int32_t zeroCrossings, int32_t oversampling, bool integrate)
{
    const auto n = static_cast<size_t>(TableSize(zeroCrossings, oversampling));
    const double pi = std::numbers::pi;
    const double last = static_cast<double>(n - 1);
    std::vector<std::complex<double>> data(n);

    // Windowed sinc.
    for (size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / last * 2.0 * zeroCrossings - zeroCrossings;
        double value = x == 0.0 ? 1.0 : std::sin(pi * x) / (pi * x);
        const double j = static_cast<double>(i);
        value *= 0.42 - 0.5 * std::cos(2.0 * pi * j / last) + 0.08 * std::cos(4.0 * pi * j / last);
        data[i] = value;
    }

    // Real cepstrum.
    Dft(data, false);
    for (auto& bin : data)
        bin = std::log(std::max(std::abs(bin), kSmallestMagnitude));
    Dft(data, true);

    // Fold to minimum phase.
    const size_t half = n / 2;
    for (size_t i = 0; i < n; ++i) {
        double c = data[i].real();
        if (i == 0 || (i == half && n % 2 == 0))
            data[i] = c;
        else if (i < half)
            data[i] = 2.0 * c;
        else
            data[i] = 0.0;
    }
    Dft(data, false);
    for (auto& bin : data)
        bin = std::exp(bin);
    Dft(data, true);

    std::vector<double> values(n);
    for (size_t i = 0; i < n; ++i)
        values[i] = data[i].real();
    CStepTable table(zeroCrossings, oversampling, std::move(values));
    if (integrate)
        table.Integrate();
    return table;
}

void CStepTable::Integrate()
{
    double sum = 0.0;
    for (double& value : values) {
        sum += value;
        value = sum;
    }
    const double end = values.back();
    for (double& value : values)
        value /= end;
    OrderByFraction();
}

CStepTable CStepTable::Integrated() const
{
    CStepTable table = *this;
    table.Integrate();
    return table;
}

bool CStepTable::Parse(const unsigned char* data, size_t size, CStepTable* out)
{
    if (!data || size < 12)
        return false;
    const int32_t z = ReadInt32(data);
    const int32_t o = ReadInt32(data + 4);
    const int32_t n = ReadInt32(data + 8);
    if (z <= 0 || o <= 0 || z > 1024 || o > 4096 || n != TableSize(z, o))
        return false;
    if ((size - 12) / sizeof(double) < static_cast<size_t>(n))
        return false;
    std::vector<double> values(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        values[static_cast<size_t>(i)] = ReadDouble(data + 12 + 8 * static_cast<size_t>(i));
    *out = CStepTable(z, o, std::move(values));
    return true;
}

std::vector<unsigned char> CStepTable::Serialize() const
{
    std::vector<unsigned char> out;
    out.reserve(12 + values.size() * sizeof(double));
    WriteInt32(out, zeroCrossings);
    WriteInt32(out, oversampling);
    WriteInt32(out, Size());
    for (double value : values)
        WriteDouble(out, value);
    return out;
}
