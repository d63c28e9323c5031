#include "coremachines/CMixer.h"
#include "coremachines/Units.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char* const kTrackNames[CMixer::kTrackParameters] = {"Track %i Level", "Track %i Balance", "Track %i Low",
                                                            "Track %i Mid",   "Track %i High",    "Track %i AUX1",
                                                            "Track %i AUX2"};
const char* const kBusNames[CMixer::kBusParameters] = {"AUX %i Level", "AUX %i Balance", "AUX %i Low", "AUX %i Mid",
                                                        "AUX %i High"};

} // namespace

double CMixer::LevelGain(double level)
{
    return std::pow(10.0, (60.0 * level - 48.0) / 10.0);
}

CMixer::CMixer(CHost* host) : CMachine(host), blockSize(host->GetBlockSize())
{
    parameterCount = kParameterCount;
    AddPort(PORT_STEREO_AUDIO_OUT, "OUTPUT");
    char text[32];
    for (int32_t t = 1; t <= kTracks; ++t) {
        std::snprintf(text, sizeof text, "TRK%iIN", t);
        AddPort(PORT_STEREO_AUDIO_IN, text);
    }
    for (int32_t k = 1; k <= kBuses; ++k) {
        std::snprintf(text, sizeof text, "AUX%iOUT", k);
        AddPort(PORT_STEREO_LATE_OUT, text);
        std::snprintf(text, sizeof text, "AUX%iIN", k);
        AddPort(PORT_STEREO_LATE_IN, text);
    }
    std::fill(std::begin(values), std::end(values), 0.5);
    for (auto& m : muted)
        m.store(false);
    for (auto& c : channels)
        c.peak[0].store(0.0), c.peak[1].store(0.0);
    SetSampleRate(host->GetSampleRate());
}

double CMixer::GetParameter(int32_t index)
{
    return index >= 0 && index < kParameterCount ? values[index] : 0.0;
}

void CMixer::SetParameter(int32_t index, double value)
{
    if (index >= 0 && index < kParameterCount)
        values[index] = value;
}

void CMixer::ResetParameter(int32_t index)
{
    SetParameter(index, 0.5);
}

void CMixer::GetParameterName(int32_t index, char* out)
{
    if (index >= 0 && index < kTracks * kTrackParameters)
        std::snprintf(out, kMachineTextSize, kTrackNames[index % kTrackParameters], index / kTrackParameters + 1);
    else if (index >= kTracks * kTrackParameters && index < kParameterCount) {
        const int32_t i = index - kTracks * kTrackParameters;
        std::snprintf(out, kMachineTextSize, kBusNames[i % kBusParameters], i / kBusParameters + 1);
    } else
        out[0] = '\0';
}

void CMixer::GetParameterDisplayValue(int32_t index, double value, char* out)
{
    if (index >= 0 && index < kParameterCount)
        std::snprintf(out, kMachineTextSize, "%i%%", static_cast<int32_t>(100.0 * value));
    else
        out[0] = '\0';
}

void CMixer::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    for (auto& c : channels)
        for (auto& eq : c.eq)
            eq.Init(hz);
}

void CMixer::SetMute(int32_t channel, bool on)
{
    if (channel >= 0 && channel < kChannels)
        muted[channel].store(on, std::memory_order_relaxed);
}

void CMixer::SetSolo(int32_t channel, bool on)
{
    if (channel < 0 || channel >= kChannels)
        return;
    if (on) {
        solo.store(channel, std::memory_order_relaxed);
    } else {
        int32_t expected = channel;
        solo.compare_exchange_strong(expected, -1, std::memory_order_relaxed);
    }
}

bool CMixer::IsMuted(int32_t channel) const
{
    return channel >= 0 && channel < kChannels && muted[channel].load(std::memory_order_relaxed);
}

double CMixer::GetPeak(int32_t channel, int32_t side) const
{
    if (channel < 0 || channel >= kChannels || side < 0 || side > 1)
        return 0.0;
    return channels[channel].peak[side].load(std::memory_order_relaxed);
}

bool CMixer::Audible(int32_t channel, int32_t soloed) const
{
    return !muted[channel].load(std::memory_order_relaxed) && (soloed < 0 || soloed == channel);
}

CMixer::Targets CMixer::TargetsOf(int32_t channel, bool audible) const
{
    const bool track = channel < kTracks;
    const double* p = track ? values + channel * kTrackParameters
                            : values + kTracks * kTrackParameters + (channel - kTracks) * kBusParameters;
    Targets t{};
    const double g = audible ? LevelGain(p[LEVEL]) : 0.0;
    t.gain[0] = (1.0 - p[BALANCE]) * g;
    t.gain[1] = p[BALANCE] * g;
    t.band[0] = p[LOW];
    t.band[1] = p[MID];
    t.band[2] = p[HIGH];
    for (int32_t k = 0; k < kBuses; ++k)
        t.send[k] = track && audible ? p[SEND1 + k] : 0.0;
    return t;
}

void CMixer::MixChannel(int32_t index, const double* inLeft, const double* inRight, int32_t count, bool withSends)
{
    Channel& c = channels[index];
    const Targets t = TargetsOf(index, Audible(index, solo.load(std::memory_order_relaxed)));
    if (c.fresh) {
        c.fresh = false;
        std::copy(std::begin(t.gain), std::end(t.gain), c.gain);
        std::copy(std::begin(t.send), std::end(t.send), c.send);
        std::copy(std::begin(t.band), std::end(t.band), c.band);
    }
    CAudioBuffer* out = ports[kOutputPort]->audioBuffer;
    CAudioBuffer* sends[kBuses] = {ports[SendPort(0)]->audioBuffer, ports[SendPort(1)]->audioBuffer};
    double peakLeft = 0.0, peakRight = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        GlideToward(c.gain[0], t.gain[0]);
        GlideToward(c.gain[1], t.gain[1]);
        GlideToward(c.band[0], t.band[0]);
        GlideToward(c.band[1], t.band[1]);
        GlideToward(c.band[2], t.band[2]);
        const double l = c.eq[0].Process(inLeft[i], c.band[0], c.band[1], c.band[2]);
        const double r = c.eq[1].Process(inRight[i], c.band[0], c.band[1], c.band[2]);
        if (withSends) {
            for (int32_t k = 0; k < kBuses; ++k) {
                GlideToward(c.send[k], t.send[k]);
                sends[k]->left[i] += l * c.send[k];
                sends[k]->right[i] += r * c.send[k];
            }
        }
        const double ol = l * c.gain[0], orr = r * c.gain[1];
        out->left[i] += ol;
        out->right[i] += orr;
        peakLeft = std::max(peakLeft, std::abs(ol));
        peakRight = std::max(peakRight, std::abs(orr));
    }
    c.peak[0].store(peakLeft, std::memory_order_relaxed);
    c.peak[1].store(peakRight, std::memory_order_relaxed);
}

void CMixer::Process()
{
    CAudioBuffer* out = ports[kOutputPort]->audioBuffer;
    out->Clear();
    int32_t count = std::min(blockSize, out->length);
    for (int32_t k = 0; k < kBuses; ++k) {
        ports[SendPort(k)]->audioBuffer->Clear();
        count = std::min(count, ports[SendPort(k)]->audioBuffer->length);
    }
    for (int32_t t = 0; t < kTracks; ++t) {
        const CAudioBuffer* in = ports[TrackPort(t)]->audioBuffer;
        MixChannel(t, in->left, in->right ? in->right : in->left, std::max(0, std::min(count, in->length)), true);
    }
}

void CMixer::ProcessLate()
{
    const CAudioBuffer* out = ports[kOutputPort]->audioBuffer;
    const int32_t count = std::min(blockSize, out->length);
    for (int32_t k = 0; k < kBuses; ++k) {
        const CAudioBuffer* in = ports[ReturnPort(k)]->audioBuffer;
        MixChannel(kTracks + k, in->left, in->right ? in->right : in->left, std::max(0, std::min(count, in->length)),
                   false);
    }
}
