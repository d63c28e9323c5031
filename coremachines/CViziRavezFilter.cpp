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

void CViziRavezFilter::Process()
{
    const CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    Design& d = designs[DesignIndex(oversampling)];
    const int32_t n = static_cast<int32_t>(d.taps.size());
    const int32_t f = d.factor;
    const int32_t count = std::max(0, std::min({blockSize, in->length, out->length}));
    const double* inputs[2] = {in->left, in->right ? in->right : in->left};
    double* outputs[2] = {out->left, out->right};
    const double* taps = d.taps.data();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t w = d.writeIndex;
        for (int32_t c = 0; c < 2; ++c) {
            double* h = d.history[c].data();
            h[w] = inputs[c][i];
            // Only the positions holding input samples contribute: the
            // stuffed zeros between them add nothing to the sum.
            double sum = 0.0;
            for (int32_t j = 0, at = w; j < n; j += f) {
                sum += h[at] * taps[j];
                at -= f;
                if (at < 0)
                    at += n;
            }
            outputs[c][i] += d.gain * sum;
        }
        // Advance past the sample, then past F − 1 stuffed zeros.
        int32_t next = w;
        for (int32_t z = 0; z < f; ++z) {
            next = next + 1 == n ? 0 : next + 1;
            if (z + 1 < f)
                d.history[0][static_cast<size_t>(next)] = d.history[1][static_cast<size_t>(next)] = 0.0;
        }
        d.writeIndex = next;
    }
}
