#include "app/view/SampleAnalysis.h"
#include <algorithm>
#include <cmath>
#include <fftw3.h>
#include <memory>
#include <mutex>
#include <numbers>

void CWaveformSummary::Build(const double* newSamples, int32_t newCount)
{
    samples = newSamples;
    count = std::max(newCount, 0);
    const int32_t blocks = (count + kBlock - 1) / kBlock;
    blockMinimum.assign(static_cast<size_t>(blocks), 0.0f);
    blockMaximum.assign(static_cast<size_t>(blocks), 0.0f);
    for (int32_t b = 0; b < blocks; ++b) {
        const double* first = samples + static_cast<ptrdiff_t>(b) * kBlock;
        const int64_t length = std::min<int64_t>(static_cast<int64_t>(b + 1) * kBlock, count) - int64_t{b} * kBlock;
        // Four independent lanes let the compiler keep the scan in vector
        // registers; this pass over every sample is the bulk of the work.
        double low[4] = {first[0], first[0], first[0], first[0]};
        double high[4] = {first[0], first[0], first[0], first[0]};
        int64_t i = 0;
        for (; i + 4 <= length; i += 4) {
            for (int lane = 0; lane < 4; ++lane) {
                const double s = first[i + lane];
                low[lane] = s < low[lane] ? s : low[lane];
                high[lane] = s > high[lane] ? s : high[lane];
            }
        }
        for (; i < length; ++i) {
            low[0] = std::min(low[0], first[i]);
            high[0] = std::max(high[0], first[i]);
        }
        blockMinimum[static_cast<size_t>(b)] = static_cast<float>(std::min({low[0], low[1], low[2], low[3]}));
        blockMaximum[static_cast<size_t>(b)] = static_cast<float>(std::max({high[0], high[1], high[2], high[3]}));
    }
}

WaveformEnvelope CWaveformSummary::Envelope(int32_t columns) const
{
    WaveformEnvelope envelope;
    if (columns <= 0 || count == 0)
        return envelope;
    envelope.minimum.resize(static_cast<size_t>(columns));
    envelope.maximum.resize(static_cast<size_t>(columns));
    for (int32_t c = 0; c < columns; ++c) {
        int64_t first = static_cast<int64_t>(c) * count / columns;
        int64_t last = static_cast<int64_t>(c + 1) * count / columns; // exclusive
        if (last <= first)
            last = first + 1;
        first = std::min<int64_t>(first, count - 1);
        last = std::min<int64_t>(last, count);
        double low = samples[first];
        double high = samples[first];
        int64_t i = first;
        // Single samples up to a block boundary, whole blocks, then the rest.
        for (; i < last && i % kBlock != 0; ++i) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
        for (; i + kBlock <= last; i += kBlock) {
            low = std::min(low, static_cast<double>(blockMinimum[static_cast<size_t>(i / kBlock)]));
            high = std::max(high, static_cast<double>(blockMaximum[static_cast<size_t>(i / kBlock)]));
        }
        for (; i < last; ++i) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
        envelope.minimum[static_cast<size_t>(c)] = static_cast<float>(low);
        envelope.maximum[static_cast<size_t>(c)] = static_cast<float>(high);
    }
    return envelope;
}

namespace {

// Plans are made once: the planner is not thread-safe and is slow.
struct FFTPlan {
    static constexpr int kSize = 2 * kSpectrumBins;
    double* input = nullptr;
    fftw_complex* output = nullptr;
    fftw_plan plan = nullptr;

    FFTPlan()
    {
        input = fftw_alloc_real(kSize);
        output = fftw_alloc_complex(kSize / 2 + 1);
        plan = fftw_plan_dft_r2c_1d(kSize, input, output, FFTW_ESTIMATE);
    }
    ~FFTPlan()
    {
        fftw_destroy_plan(plan);
        fftw_free(output);
        fftw_free(input);
    }
};

} // namespace

std::vector<double> MagnitudeSpectrum(const double* samples, int32_t count)
{
    if (count <= 0)
        return {};
    static std::mutex planLock;
    std::lock_guard lock(planLock);
    static FFTPlan fft;
    constexpr int n = FFTPlan::kSize;
    double window[n];
    for (int i = 0; i < n; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (n - 1));

    // Frame starts: every half frame, or spread evenly when there are more.
    const int64_t hop = n / 2;
    const int64_t possible = count <= n ? 1 : (count - n) / hop + 1;
    const int64_t frames = std::min<int64_t>(possible, kMaxSpectrumFrames);
    std::vector<double> power(kSpectrumBins, 0.0);
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t start = possible <= kMaxSpectrumFrames ? f * hop : f * (possible - 1) / (frames - 1) * hop;
        for (int i = 0; i < n; ++i) {
            const int64_t at = start + i;
            fft.input[i] = at < count ? samples[at] * window[i] : 0.0;
        }
        fftw_execute(fft.plan);
        for (int b = 0; b < kSpectrumBins; ++b)
            power[static_cast<size_t>(b)] += fft.output[b][0] * fft.output[b][0] + fft.output[b][1] * fft.output[b][1];
    }
    std::vector<double> magnitude(kSpectrumBins);
    for (int b = 0; b < kSpectrumBins; ++b)
        magnitude[static_cast<size_t>(b)] = std::sqrt(power[static_cast<size_t>(b)] / static_cast<double>(frames));
    return magnitude;
}
