#include "coremachines/CMixer.h"
#include "coremachines/Units.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    SetBlockSize(host->GetBlockSize());
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
        c.eq.Init(hz);
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
    // Values from old projects or automation beyond 0..1 (or NaN) are held
    // to the desk's range: +12 dB at most, no negative gains.
    auto unit = [](double x) { return x > 0.0 ? std::min(x, 1.0) : 0.0; };
    Targets t{};
    const double g = audible ? LevelGain(unit(p[LEVEL])) : 0.0;
    const double balance = unit(p[BALANCE]);
    t.gain[0] = (1.0 - balance) * g;
    t.gain[1] = balance * g;
    t.band[0] = unit(p[LOW]);
    t.band[1] = unit(p[MID]);
    t.band[2] = unit(p[HIGH]);
    for (int32_t k = 0; k < kBuses; ++k)
        t.send[k] = track && audible ? unit(p[SEND1 + k]) : 0.0;
    return t;
}

namespace {

inline Double2 Max(Double2 a, Double2 b)
{
#if defined(__SSE2__)
    return _mm_max_pd(a, b);
#else
    return a > b ? a : b;
#endif
}

// The smoothed values of one channel while a block runs.
struct Smoothed {
    double gain[2];
    double band[3];
    double send[2];
};

// The equaliser's chain weights, low − mid on the low lanes and mid − high
// on the high lanes.
[[gnu::always_inline]] inline void SetWeights(Double4& weights, const Smoothed& s)
{
    const double low = s.band[0] - s.band[1], high = s.band[1] - s.band[2];
    weights = Double4{low, low, high, high};
}

// One channel's block into the interleaved sums; the variants without
// glides or sends keep their loops short enough for the registers.
template <bool Glide, bool Sends>
[[gnu::always_inline]] inline void MixBlock(CPackedThreeBandEQ& state, Smoothed& v, const Smoothed& target, const double* inLeft,
              const double* inRight, Double2* __restrict out, Double4* __restrict sendSums,
              int32_t count, Double2& peak)
{
    using Mask = long long __attribute__((vector_size(16)));
    const Mask magnitudeBits = Mask{} + 0x7fffffffffffffffLL;
    CPackedThreeBandEQ eq = state;
    Smoothed s = v;
    Double2 p = {};
    // Steady gains: the band weights and the sides' gains once per block.
    Double4 weights;
    SetWeights(weights, s);
    Double2 weightDelayed = Double2{} + s.band[2];
    Double2 gains = Double2{s.gain[0], s.gain[1]};
    Double4 sendGains = Double4{s.send[0], s.send[0], s.send[1], s.send[1]};
    for (int32_t i = 0; i < count; ++i) {
        if constexpr (Glide) {
            for (int32_t k = 0; k < 2; ++k)
                GlideToward(s.gain[k], target.gain[k]);
            for (int32_t k = 0; k < 3; ++k)
                GlideToward(s.band[k], target.band[k]);
            if constexpr (Sends) {
                for (int32_t k = 0; k < 2; ++k)
                    GlideToward(s.send[k], target.send[k]);
                sendGains = Double4{s.send[0], s.send[0], s.send[1], s.send[1]};
            }
            SetWeights(weights, s);
            weightDelayed = Double2{} + s.band[2];
            gains = Double2{s.gain[0], s.gain[1]};
        }
        const Double2 e = eq.ProcessWeighted(Double2{inLeft[i], inRight[i]}, weights, weightDelayed);
        if constexpr (Sends) {
            sendSums[i] += __builtin_shufflevector(e, e, 0, 1, 0, 1) * sendGains;
        }
        const Double2 o = e * gains;
        out[i] += o;
        const Double2 magnitude = reinterpret_cast<Double2>(reinterpret_cast<Mask>(o) & magnitudeBits);
        p = Max(magnitude, p);
    }
    state = eq;
    v = s;
    peak = p;
}

struct BlockJob {
    CPackedThreeBandEQ* eq;
    Smoothed* smoothed;
    const Smoothed* target;
    const double* inLeft;
    const double* inRight;
    Double2* out;
    Double4* sendSums;
    int32_t count;
    Double2* peak;
    bool glide;
    bool sends;
};

[[gnu::always_inline]] inline void RunJob(const BlockJob& j)
{
    if (j.glide && j.sends)
        MixBlock<true, true>(*j.eq, *j.smoothed, *j.target, j.inLeft, j.inRight, j.out, j.sendSums, j.count,
                             *j.peak);
    else if (j.glide)
        MixBlock<true, false>(*j.eq, *j.smoothed, *j.target, j.inLeft, j.inRight, j.out, j.sendSums, j.count,
                              *j.peak);
    else if (j.sends)
        MixBlock<false, true>(*j.eq, *j.smoothed, *j.target, j.inLeft, j.inRight, j.out, j.sendSums, j.count,
                              *j.peak);
    else
        MixBlock<false, false>(*j.eq, *j.smoothed, *j.target, j.inLeft, j.inRight, j.out, j.sendSums,
                               j.count, *j.peak);
}

void RunJobPlain(const BlockJob& j)
{
    RunJob(j);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same code with three-operand instructions, which spare the register
// copies of the equaliser's chains; chosen when the processor has them.
__attribute__((target("avx"))) void RunJobAvx(const BlockJob& j)
{
    RunJob(j);
}

const bool hasAvx = __builtin_cpu_supports("avx");
#endif

void Run(const BlockJob& j)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasAvx) {
        RunJobAvx(j);
        return;
    }
#endif
    RunJobPlain(j);
}

// Planar port buffer from an interleaved sum.
void Deinterleave(const Double2* from, CAudioBuffer* to, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        to->left[i] = from[i][0];
        to->right[i] = from[i][1];
    }
}

// The two send buffers from the sends' interleaved sum.
void Deinterleave(const Double4* from, CAudioBuffer* first, CAudioBuffer* second, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        first->left[i] = from[i][0];
        first->right[i] = from[i][1];
        second->left[i] = from[i][2];
        second->right[i] = from[i][3];
    }
}

} // namespace

void CMixer::SetBlockSize(int32_t frames)
{
    blockSize = frames;
    sums.assign(static_cast<size_t>(std::max(frames, 1)), Double2{});
    sendSums.assign(static_cast<size_t>(std::max(frames, 1)), SendFrame{});
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
    Smoothed v{{c.gain[0], c.gain[1]}, {c.band[0], c.band[1], c.band[2]}, {c.send[0], c.send[1]}};
    const Smoothed target{{t.gain[0], t.gain[1]}, {t.band[0], t.band[1], t.band[2]}, {t.send[0], t.send[1]}};
    const bool sends = withSends && (v.send[0] != 0.0 || v.send[1] != 0.0 || t.send[0] != 0.0 || t.send[1] != 0.0);
    bool glide = false;
    for (int32_t k = 0; k < 2; ++k)
        glide = glide || v.gain[k] != t.gain[k] || (sends && v.send[k] != t.send[k]);
    for (int32_t k = 0; k < 3; ++k)
        glide = glide || v.band[k] != t.band[k];
    Double2* out = sums.data();
    Double4* sendSum = &sendSums.data()->value;
    Double2 peak;
    Run({&c.eq, &v, &target, inLeft, inRight, out, sendSum, count, &peak, glide, sends});
    std::copy(std::begin(v.gain), std::end(v.gain), c.gain);
    std::copy(std::begin(v.band), std::end(v.band), c.band);
    if (withSends)
        std::copy(std::begin(v.send), std::end(v.send), c.send);
    c.peak[0].store(peak[0], std::memory_order_relaxed);
    c.peak[1].store(peak[1], std::memory_order_relaxed);
}

void CMixer::Process()
{
    CAudioBuffer* out = ports[kOutputPort]->audioBuffer;
    int32_t count = std::min({blockSize, out->length, static_cast<int32_t>(sums.size())});
    for (int32_t k = 0; k < kBuses; ++k)
        count = std::min(count, ports[SendPort(k)]->audioBuffer->length);
    count = std::max(count, 0);
    std::fill(sums.begin(), sums.end(), Double2{});
    std::fill(sendSums.begin(), sendSums.end(), SendFrame{});
    for (int32_t t = 0; t < kTracks; ++t) {
        const CAudioBuffer* in = ports[TrackPort(t)]->audioBuffer;
        MixChannel(t, in->left, in->right ? in->right : in->left, std::min(count, in->length), true);
    }
    // The sums fill the buffers; only a shorter count leaves a rest to clear.
    for (CAudioBuffer* buffer : {out, ports[SendPort(0)]->audioBuffer, ports[SendPort(1)]->audioBuffer})
        if (count < buffer->length)
            buffer->Clear();
    Deinterleave(sums.data(), out, count);
    Deinterleave(&sendSums.data()->value, ports[SendPort(0)]->audioBuffer, ports[SendPort(1)]->audioBuffer, count);
}

void CMixer::ProcessLate()
{
    // The tracks' sum is still in the first interleaved buffer.
    CAudioBuffer* out = ports[kOutputPort]->audioBuffer;
    const int32_t count = std::max(0, std::min({blockSize, out->length, static_cast<int32_t>(sums.size())}));
    for (int32_t k = 0; k < kBuses; ++k) {
        const CAudioBuffer* in = ports[ReturnPort(k)]->audioBuffer;
        MixChannel(kTracks + k, in->left, in->right ? in->right : in->left, std::min(count, in->length), false);
    }
    Deinterleave(sums.data(), out, count);
}
