#pragma once
#include <cstdint>
#include <vector>

// The numbers behind the sample analyzer's two panes, free of drawing.

// The lowest and highest sample of each of `columns` equal parts of the
// sample: a waveform overview in which no peak is lost, however many
// samples share a pixel column. A column that no sample falls in (more
// columns than samples) takes the sample under it.
struct WaveformEnvelope {
    std::vector<float> minimum;
    std::vector<float> maximum;
};

// Summary of a sample in blocks of kBlock samples, made once per sample so
// that drawing any width reads the blocks instead of every sample.
class CWaveformSummary {
public:
    static constexpr int32_t kBlock = 256;

    void Build(const double* samples, int32_t count);
    WaveformEnvelope Envelope(int32_t columns) const;
    int32_t Count() const { return count; }

private:
    const double* samples = nullptr;
    int32_t count = 0;
    std::vector<float> blockMinimum;
    std::vector<float> blockMaximum;
};

// The magnitude spectrum in kBins bins from 0 to just below half the sample
// rate: Hann-windowed transforms of 2 × kBins samples, half overlapping,
// their powers averaged over the sample (at most kMaxFrames frames, spread
// evenly), each value the square root of a bin's mean power. A sample
// shorter than one frame is zero-padded. Empty for an empty sample.
std::vector<double> MagnitudeSpectrum(const double* samples, int32_t count);

inline constexpr int32_t kSpectrumBins = 256;
inline constexpr int32_t kMaxSpectrumFrames = 4096;
