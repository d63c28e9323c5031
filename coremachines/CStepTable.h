#pragma once
// A band-limited step-correction table: Z zero crossings at O-fold
// oversampling, n = 2·Z·O + 1 values covering 2·Z output samples.
#include <cstddef>
#include <cstdint>
#include <vector>

class CStepTable {
public:
    CStepTable() = default;

    // The windowed-sinc, minimum-phase generator; with integration the
    // result is a step that ends at exactly 1, otherwise an impulse.
    static CStepTable Generate(int32_t zeroCrossings, int32_t oversampling, bool integrate);

    // Reads the stored form: int32 Z, O, n, then n doubles, little-endian.
    // False when the data is short or its counts disagree.
    static bool Parse(const unsigned char* data, size_t size, CStepTable* out);
    std::vector<unsigned char> Serialize() const;

    // The running sum of the values divided by its last value.
    CStepTable Integrated() const;

    // Linear interpolation at `samples` output samples after the table's
    // start (beyond the end: the last value).
    double At(double samples) const
    {
        const double position = samples * oversampling;
        const auto index = static_cast<int32_t>(position);
        if (index + 1 >= Size())
            return values.back();
        const double a = values[static_cast<size_t>(index)];
        return a + (position - index) * (values[static_cast<size_t>(index) + 1] - a);
    }

    // out[j] += amplitude·(1 − At(first + j + since)) for j in 0 … count − 1,
    // the same values as At gives, read from a copy of the table ordered by
    // fraction: one step's reads are then one run of memory, not 2·Z
    // scattered cache lines.
    void AddCorrections(double amplitude, double since, int32_t first, double* out, int32_t count) const;

    int32_t ZeroCrossings() const { return zeroCrossings; }
    int32_t Oversampling() const { return oversampling; }
    int32_t Size() const { return static_cast<int32_t>(values.size()); }
    const std::vector<double>& Values() const { return values; }

private:
    CStepTable(int32_t zeroCrossings, int32_t oversampling, std::vector<double> values);
    void Integrate();
    void OrderByFraction();

    int32_t zeroCrossings = 0;
    int32_t oversampling = 0;
    std::vector<double> values;
    // [m·2Z + k]: the value at index k·O + m (k < 2Z), and its difference
    // to the next value, as At interpolates them.
    std::vector<double> valueByFraction;
    std::vector<double> slopeByFraction;
};
