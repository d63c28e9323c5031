#include "coremachines/CViziRavezFilter.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

CViziRavezFilter::CViziRavezFilter(CHost* host) : CMachine(host), blockSize(host->GetBlockSize())
{
    parameterCount = 1;
    AddPort(PORT_STEREO_AUDIO_IN, "Line In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    for (int32_t k = 0; k < kDesigns; ++k)
        MakeDesign(designs[k], 2 << k);
    SetBlockSize(blockSize);
}

void CViziRavezFilter::MakeDesign(Design& design, int32_t factor)
{
    const int32_t n = 2 * kZeroCrossings * factor + 1;
    design.factor = factor;
    design.taps.assign(static_cast<size_t>(n), 0.0);
    const double last = n - 1;
    for (int32_t i = 0; i < n; ++i) {
        const double t = -kZeroCrossings + 2.0 * kZeroCrossings * i / last;
        const double x = std::numbers::pi * t;
        const double sinc = i == (n - 1) / 2 ? 1.0 : std::sin(x) / x;
        const double a = 2.0 * std::numbers::pi * i / last;
        const double window = 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
        design.taps[static_cast<size_t>(i)] = sinc * window;
    }
    // Per output sample only every F-th tap meets an input sample (the rest
    // meet stuffed zeros), so the pass-band level is the sum of those taps.
    double sum = 0.0;
    for (int32_t j = 0; j < n; j += factor)
        sum += design.taps[static_cast<size_t>(j)];
    design.gain = 1.0 / sum;
    for (auto& history : design.history)
        history.assign(static_cast<size_t>(n), 0.0);
    design.writeIndex = 0;
}

int32_t CViziRavezFilter::DesignIndex(double x)
{
    if (!(x > 0.0)) // also NaN
        return 0;
    return std::min(static_cast<int32_t>(4.0 * std::min(x, 1.0)), kDesigns - 1);
}

double CViziRavezFilter::GetParameter(int32_t index)
{
    return index == 0 ? oversampling : 0.0;
}

void CViziRavezFilter::SetParameter(int32_t index, double value)
{
    if (index == 0)
        oversampling = value;
}

void CViziRavezFilter::GetParameterName(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "%s", index == 0 ? "Oversampling" : "");
}

void CViziRavezFilter::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    if (index == 0)
        std::snprintf(out, kMachineTextSize, "%ix", 2 << DesignIndex(value));
    else
        out[0] = '\0';
}

namespace {

constexpr int32_t kLanes = 4;
using Lanes = double __attribute__((vector_size(8 * kLanes)));

// out[i] += gain·Σ x[i − k]·taps[k·F] for k = 0 … kInputTaps − 1, taken in
// that order for every output, four outputs at once; x[−k] are the inputs
// before the block.
[[gnu::always_inline]] inline void Convolve(const double* x, const double* taps, int32_t factor, double gain,
                                            double* out, int32_t count)
{
    for (int32_t i = 0; i < count; i += kLanes) {
        Lanes sum{};
        for (int32_t k = 0; k < CViziRavezFilter::kInputTaps; ++k) {
            Lanes v;
            __builtin_memcpy(&v, x + i - k, sizeof v);
            sum += v * taps[k * factor];
        }
        const Lanes y = gain * sum;
        const int32_t n = std::min(kLanes, count - i);
        for (int32_t j = 0; j < n; ++j)
            out[i + j] += y[j];
    }
}

void ConvolvePlain(const double* x, const double* taps, int32_t factor, double gain, double* out, int32_t count)
{
    Convolve(x, taps, factor, gain, out, count);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx"))) void ConvolveAvx(const double* x, const double* taps, int32_t factor, double gain,
                                                double* out, int32_t count)
{
    Convolve(x, taps, factor, gain, out, count);
}

const bool hasAvx = __builtin_cpu_supports("avx");
#endif

void ConvolveBlock(const double* x, const double* taps, int32_t factor, double gain, double* out, int32_t count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasAvx) {
        ConvolveAvx(x, taps, factor, gain, out, count);
        return;
    }
#endif
    ConvolvePlain(x, taps, factor, gain, out, count);
}

} // namespace

void CViziRavezFilter::SetBlockSize(int32_t frames)
{
    blockSize = frames;
    for (auto& x : inputs)
        x.assign(static_cast<size_t>(std::max(frames, 1) + kInputTaps - 1 + kLanes - 1), 0.0);
}

void CViziRavezFilter::Process()
{
    const CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    Design& d = designs[DesignIndex(oversampling)];
    const int32_t n = static_cast<int32_t>(d.taps.size());
    const int32_t f = d.factor;
    constexpr int32_t kBefore = kInputTaps - 1;
    const int32_t capacity = static_cast<int32_t>(inputs[0].size()) - kBefore - (kLanes - 1);
    const int32_t count = std::max(0, std::min({blockSize, in->length, out->length, capacity}));
    const double* source[2] = {in->left, in->right ? in->right : in->left};
    double* outputs[2] = {out->left, out->right};
    // Only the positions of the history holding input samples contribute
    // (the stuffed zeros add nothing), the newest at the write position and
    // each earlier one F positions back: the filter is a plain one over
    // the inputs.
    for (int32_t c = 0; c < 2; ++c) {
        const double* h = d.history[c].data();
        double* x = inputs[c].data();
        for (int32_t k = 1; k <= kBefore; ++k)
            x[kBefore - k] = h[((d.writeIndex - k * f) % n + n) % n];
        std::copy(source[c], source[c] + count, x + kBefore);
        ConvolveBlock(x + kBefore, d.taps.data(), f, d.gain, outputs[c], count);
    }
    // The history as sample-by-sample stuffing leaves it: each sample at the
    // write position, then F − 1 zeros. The last kInputTaps samples cover
    // every position, so only they are written.
    const int32_t written = std::min(count, kInputTaps);
    int32_t w = static_cast<int32_t>((d.writeIndex + static_cast<int64_t>(count - written) * f) % n);
    for (int32_t i = count - written; i < count; ++i) {
        d.history[0][static_cast<size_t>(w)] = source[0][i];
        d.history[1][static_cast<size_t>(w)] = source[1][i];
        for (int32_t z = 1; z < f; ++z) {
            w = w + 1 == n ? 0 : w + 1;
            d.history[0][static_cast<size_t>(w)] = d.history[1][static_cast<size_t>(w)] = 0.0;
        }
        w = w + 1 == n ? 0 : w + 1;
    }
    d.writeIndex = w;
}
