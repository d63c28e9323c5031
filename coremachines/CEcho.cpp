#include "coremachines/CEcho.h"
#include "coremachines/CWaveTables.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kInitialLfoHz = 10.0;

constexpr double kDefaults[CEcho::kParameterCount] = {
    0.1, 0.5, 0.0, 0.5, 0.0, 0.5, 1.0, 0.0, // line 1
    0.2, 0.5, 0.1, 0.5, 0.0, 0.5, 0.0, 0.0, // line 2
    0.3, 0.5, 0.2, 0.5, 0.0, 0.5, 0.0, 0.0, // line 3
    0.4, 0.5, 0.3, 0.5, 0.0, 0.5, 0.0, 0.0, // line 4
};

const char* const kNames[CEcho::kParametersPerLine] = {
    "Delay Time", "Feedback", "Filter Frequency", "Filter Bandwidth", "LFO Amount", "LFO Rate", "Wet Level",
    "Dry Level"};

} // namespace

CEcho::CEcho(CHost* host, const CWaveTables* tables) : CMachine(host)
{
    parameterCount = kParameterCount;
    AddPort(PORT_STEREO_AUDIO_IN, "Line In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    const int32_t rate = host->GetSampleRate();
    for (int32_t n = 0; n < kLines; ++n) {
        lines[0][n] = std::make_unique<CDelayLine>(rate);
        lines[1][n] = std::make_unique<CDelayLine>(rate);
        lfos[n] = std::make_unique<CTableOscillator>(rate, tables->Sine(), kInitialLfoHz);
    }
    SetBlockSize(host->GetBlockSize());
    // Stored values start out of range so that every default takes effect.
    std::fill(std::begin(values), std::end(values), -1.0);
    for (int32_t i = 0; i < kParameterCount; ++i)
        SetParameter(i, kDefaults[i]);
}

double CEcho::GetParameter(int32_t index)
{
    return index >= 0 && index < kParameterCount ? values[index] : 0.0;
}

void CEcho::SetParameter(int32_t index, double x)
{
    if (index < 0 || index >= kParameterCount || values[index] == x)
        return;
    values[index] = x;
    const int32_t n = index / kParametersPerLine;
    switch (index % kParametersPerLine) {
    case DELAY_TIME:
        for (auto& channel : lines)
            channel[n]->SetDelayTime(DelaySeconds(x));
        break;
    case FEEDBACK:
        for (auto& channel : lines)
            channel[n]->SetFeedback(x);
        break;
    case FILTER_FREQUENCY:
        for (auto& channel : lines)
            channel[n]->SetFilterOctave(12.0 * x);
        break;
    case FILTER_BANDWIDTH:
        for (auto& channel : lines)
            channel[n]->SetBandwidth(10000.0 * x + 10.0);
        break;
    case LFO_AMOUNT:
        lfoAmount[n] = x;
        break;
    case LFO_RATE:
        lfos[n]->SetOctave(6.0 * x - 10.0);
        break;
    case WET_LEVEL:
        wet[n] = x;
        break;
    default:
        dry[n] = x;
        break;
    }
}

void CEcho::GetParameterName(int32_t index, char* out)
{
    if (index >= 0 && index < kParameterCount)
        std::snprintf(out, kMachineTextSize, "%s %i", kNames[index % kParametersPerLine],
                      index / kParametersPerLine + 1);
    else
        out[0] = '\0';
}

void CEcho::GetParameterDisplayValue(int32_t index, double x, char* out)
{
    if (index < 0 || index >= kParameterCount) {
        out[0] = '\0';
        return;
    }
    switch (index % kParametersPerLine) {
    case DELAY_TIME:
        std::snprintf(out, kMachineTextSize, "%ims", static_cast<int32_t>(DelaySeconds(x) * 1000.0));
        break;
    case WET_LEVEL:
    case DRY_LEVEL:
        if (x == 0.0)
            std::snprintf(out, kMachineTextSize, "-oo dB");
        else
            std::snprintf(out, kMachineTextSize, "%.2fdB", 80.0 * x - 64.0);
        break;
    default:
        std::snprintf(out, kMachineTextSize, "%i%%", static_cast<int32_t>(100.0 * x));
        break;
    }
}

void CEcho::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    for (int32_t n = 0; n < kLines; ++n) {
        lines[0][n]->SetSampleRate(hz);
        lines[1][n]->SetSampleRate(hz);
        lfos[n]->SetSampleRate(hz);
    }
}

void CEcho::SetBlockSize(int32_t frames)
{
    lineOutput.Resize(std::max(frames, 1));
    modulation.Resize(std::max(frames, 1));
}

void CEcho::Process()
{
    const CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    const int32_t total = std::min(in->length, out->length);
    const int32_t capacity = modulation.Length();
    for (int32_t start = 0; start < total; start += capacity) {
        const int32_t count = std::min(capacity, total - start);
        for (int32_t n = 0; n < kLines; ++n) {
            double* m = modulation.Data();
            if (lfoAmount[n] != 0.0) {
                lfos[n]->Render(m, count);
                for (int32_t i = 0; i < count; ++i)
                    m[i] = 1.0 + m[i] * lfoAmount[n];
            } else {
                lfos[n]->Skip(count);
                std::fill(m, m + count, 1.0);
            }
            const double dryGain = dry[n] / 4.0, wetGain = wet[n] / 16.0;
            const double* inputs[2] = {in->left + start, in->right + start};
            double* outputs[2] = {out->left + start, out->right + start};
            for (int32_t channel = 0; channel < 2; ++channel) {
                double* line = lineOutput.Data();
                lines[channel][n]->Render(inputs[channel], line, m, count);
                for (int32_t i = 0; i < count; ++i)
                    outputs[channel][i] += inputs[channel][i] * dryGain + line[i] * wetGain;
            }
        }
    }
}
