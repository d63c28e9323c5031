#pragma once
#include "app/view/SampleAnalysis.h"
#include "ui/CControl.h"
#include <vector>

// One pane of the sample analyzer: the waveform overview (mode 0) or the
// magnitude spectrum (mode 1), with labelled axes.
class CSampleView : public CControl {
public:
    enum Mode : int32_t { WAVEFORM = 0, SPECTRUM = 1 };
    // Room for the axis labels.
    static constexpr int32_t kLeftMargin = 40;
    static constexpr int32_t kBottomMargin = 16;
    static constexpr int32_t kTopMargin = 6;
    static constexpr int32_t kRightMargin = 8;

    CSampleView(CControl* parent, int32_t mode, int32_t x, int32_t y, int32_t width, int32_t height);

    // The waveform pane borrows the samples until the next SetSample; the
    // spectrum pane keeps only the spectrum it computes.
    void SetSample(const double* samples, int32_t count, int32_t sampleRate);
    void Clear();

    void Render(CDrawContext& dc) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    int32_t Mode() const { return mode; }
    const std::vector<double>& Spectrum() const { return spectrum; }
    // The plot area inside the margins.
    int32_t PlotWidth() const { return Width() - kLeftMargin - kRightMargin; }
    int32_t PlotHeight() const { return Height() - kTopMargin - kBottomMargin; }
    // The bin drawn at plot column x.
    int32_t BinAtColumn(int32_t x) const;

private:
    void RenderWaveform(CDrawContext& dc);
    void RenderSpectrum(CDrawContext& dc);
    void RenderAxes(CDrawContext& dc);

    int32_t mode;
    int32_t sampleRate = 0;
    int32_t count = 0;
    CWaveformSummary summary;
    std::vector<double> spectrum;
};
