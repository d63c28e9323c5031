#include "app/view/CSampleView.h"
#include "framework/Errors.h"
#include "ui/CDrawContext.h"
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {

const QColor kBackground(16, 20, 28);
const QColor kGrid(52, 60, 76);
const QColor kTrace(110, 200, 255);
const QColor kLabel(200, 206, 216);

} // namespace

CSampleView::CSampleView(CControl* parent, int32_t mode, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "SampleView", x, y, width, height, true), mode(mode)
{
}

void CSampleView::SetSample(const double* samples, int32_t newCount, int32_t newRate)
{
    count = newCount;
    sampleRate = newRate;
    if (mode == WAVEFORM) {
        summary.Build(samples, newCount);
    } else {
        spectrum = MagnitudeSpectrum(samples, newCount);
    }
    Redraw();
}

void CSampleView::Clear()
{
    count = 0;
    summary.Build(nullptr, 0);
    spectrum.clear();
    Redraw();
}

void CSampleView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    Redraw();
}

int32_t CSampleView::BinAtColumn(int32_t x) const
{
    const int32_t w = std::max(PlotWidth(), 1);
    return std::clamp(x * kSpectrumBins / w, 0, kSpectrumBins - 1);
}

void CSampleView::Render(CDrawContext& dc)
{
    QPainter& painter = dc.Painter();
    painter.fillRect(0, 0, Width(), Height(), kBackground);
    if (PlotWidth() <= 0 || PlotHeight() <= 0)
        return;
    RenderAxes(dc);
    if (mode == WAVEFORM)
        RenderWaveform(dc);
    else
        RenderSpectrum(dc);
}

void CSampleView::RenderAxes(CDrawContext& dc)
{
    QPainter& painter = dc.Painter();
    const int32_t left = kLeftMargin;
    const int32_t top = kTopMargin;
    const int32_t w = PlotWidth();
    const int32_t h = PlotHeight();
    painter.setPen(kGrid);
    painter.drawRect(left - 1, top - 1, w + 1, h + 1);
    painter.setPen(kLabel);
    QFont small = painter.font();
    small.setPixelSize(10);
    painter.setFont(small);
    const int align = Qt::AlignRight | Qt::AlignVCenter;
    // Level: +1 / 0 / -1 for the waveform, the share of the largest bin for
    // the spectrum.
    const char* const levels[3] = {mode == WAVEFORM ? "+1.0" : "1.0", mode == WAVEFORM ? "0.0" : "0.5",
                                   mode == WAVEFORM ? "-1.0" : "0.0"};
    for (int i = 0; i < 3; ++i) {
        const int32_t y = top + (h - 1) * i / 2;
        painter.setPen(kGrid);
        painter.drawLine(left, y, left + w - 1, y);
        painter.setPen(kLabel);
        painter.drawText(QRect(0, y - 7, left - 4, 14), align, levels[i]);
    }
    // Time in seconds, or frequency in kHz, at five places.
    for (int i = 0; i <= 4; ++i) {
        const int32_t x = left + (w - 1) * i / 4;
        std::string text;
        if (mode == WAVEFORM)
            text = sampleRate > 0 ? FormatText("%.2fs", static_cast<double>(count) * i / 4 / sampleRate) : "";
        else
            text = FormatText("%.1fkHz", sampleRate / 2.0 * i / 4 / 1000.0);
        if (i == 4 && mode == SPECTRUM)
            text = FormatText("%.1fkHz", sampleRate / 2.0 / 1000.0);
        painter.setPen(kGrid);
        painter.drawLine(x, top, x, top + h - 1);
        painter.setPen(kLabel);
        const int flags = i == 0 ? Qt::AlignLeft : i == 4 ? Qt::AlignRight : Qt::AlignHCenter;
        const int32_t boxX = i == 0 ? x : i == 4 ? x - 80 : x - 40;
        painter.drawText(QRect(boxX, top + h + 1, 80, kBottomMargin - 2), flags | Qt::AlignVCenter,
                         QString::fromStdString(text));
    }
}

void CSampleView::RenderWaveform(CDrawContext& dc)
{
    if (summary.Count() == 0)
        return;
    QPainter& painter = dc.Painter();
    const int32_t w = PlotWidth();
    const int32_t h = PlotHeight();
    const WaveformEnvelope envelope = summary.Envelope(w);
    painter.setPen(kTrace);
    const double half = (h - 1) / 2.0;
    for (int32_t c = 0; c < w; ++c) {
        const auto high = static_cast<int32_t>(std::lround((1.0 - std::clamp<double>(envelope.maximum[static_cast<size_t>(c)], -1.0, 1.0)) * half));
        const auto low = static_cast<int32_t>(std::lround((1.0 - std::clamp<double>(envelope.minimum[static_cast<size_t>(c)], -1.0, 1.0)) * half));
        painter.drawLine(kLeftMargin + c, kTopMargin + high, kLeftMargin + c, kTopMargin + low);
    }
}

void CSampleView::RenderSpectrum(CDrawContext& dc)
{
    if (spectrum.empty())
        return;
    const double m = *std::max_element(spectrum.begin(), spectrum.end());
    if (m <= 0.0)
        return;
    QPainter& painter = dc.Painter();
    const int32_t w = PlotWidth();
    const int32_t h = PlotHeight();
    QPolygon line(w);
    for (int32_t x = 0; x < w; ++x) {
        const double value = spectrum[static_cast<size_t>(BinAtColumn(x))];
        line[x] = QPoint(kLeftMargin + x, kTopMargin + static_cast<int>(std::lround((1.0 - value / m) * (h - 1))));
    }
    painter.setPen(kTrace);
    painter.drawPolyline(line);
}
