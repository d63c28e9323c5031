#include "coremachines/CDizodirEzav.h"
#include "coremachines/Units.h"
#include "framework/CAudioBuffer.h"
#include "framework/CHost.h"
#include "framework/CMutex.h"
#include "framework/CPort.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

// Keeps the decaying tail out of denormal numbers (about −360 dB).
constexpr double kDenormalGuard = 1e-18;

constexpr double kDefaults[CDizodirEzav::kParameterCount] = {0.2, 0.2, 0.8, 0.2, 0.4, 0.8, 0.6,
                                                             0.8, 0.0, 0.0, 0.5, 0.5, 1.0, 0.7};
const char* const kNames[CDizodirEzav::kParameterCount] = {
    "Src Left X", "Src Left Y", "Src Right X", "Src Right Y", "Dst Left X", "Dst Left Y",  "Dst Right X",
    "Dst Right Y", "Room Width", "Room Height", "Wall Absorb", "Feedback",   "Cutoff",      "Gain"};

double RoomSize(double v)
{
    return 20.0 * v + 10.0;
}

double TailFeedback(double v)
{
    const double open = 1.0 - v;
    return (1.0 - open * open * open) * 0.999;
}

double TailGain(double v)
{
    return DecibelsToGain(60.0 * v - 40.0);
}

// Distance from a point to the nearest point of the room [0, W] × [0, H].
double DistanceToRoom(double x, double y, double w, double h)
{
    const double dx = x < 0.0 ? -x : (x > w ? x - w : 0.0);
    const double dy = y < 0.0 ? -y : (y > h ? y - h : 0.0);
    return std::sqrt(dx * dx + dy * dy);
}

// The coordinate of the image of s after i reflections along an axis of
// length a: the source itself for i = 0, mirrored across the far wall for
// i = 1, across the near one for i = −1, and so on.
double Mirror(int32_t i, double s, double a)
{
    return i * a + ((i % 2 == 0) ? s : a - s);
}

} // namespace

CDizodirEzav::CDizodirEzav(CHost* host, const CWaveTables*)
    : CMachine(host), sampleRate(std::max(host->GetSampleRate(), 1)), blockSize(host->GetBlockSize())
{
    parameterCount = kParameterCount;
    AddPort(PORT_STEREO_AUDIO_IN, "Line In");
    AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    std::copy(std::begin(kDefaults), std::end(kDefaults), values);
    for (int32_t k = 0; k < kTailLines; ++k)
        lines[k].assign(static_cast<size_t>(kTailLengths[k]), 0.0);
    SetSampleRate(sampleRate);
}

double CDizodirEzav::Clamped(int32_t index) const
{
    const double v = values[index];
    return v > 0.0 ? std::min(v, 1.0) : 0.0; // NaN too becomes 0
}

double CDizodirEzav::GetParameter(int32_t index)
{
    return index >= 0 && index < kParameterCount ? values[index] : 0.0;
}

void CDizodirEzav::SetParameter(int32_t index, double value)
{
    if (index < 0 || index >= kParameterCount)
        return;
    CLockGuard guard(*this);
    values[index] = value;
    if (index == ROOM_WIDTH || index == ROOM_HEIGHT || index == WALL_ABSORB)
        roomDirty = true;
    else if (index <= DST_RIGHT_Y)
        positionsDirty = true;
    else
        tailDirty = true;
    editorDirty = true;
}

void CDizodirEzav::GetParameterName(int32_t index, char* out)
{
    std::snprintf(out, kMachineTextSize, "%s", index >= 0 && index < kParameterCount ? kNames[index] : "");
}

void CDizodirEzav::GetParameterDisplayValue(int32_t index, double v, char* out)
{
    switch (index) {
    case ROOM_WIDTH:
    case ROOM_HEIGHT:
        std::snprintf(out, kMachineTextSize, "%.0fm", RoomSize(v));
        break;
    case CUTOFF:
        std::snprintf(out, kMachineTextSize, "%.0fHz",
                      440.0 * std::exp2(v * FrequencyToOctave(sampleRate / 4.0) - 5.0));
        break;
    case GAIN:
        std::snprintf(out, kMachineTextSize, "%.2fdB", 60.0 * v - 40.0);
        break;
    default:
        if (index >= 0 && index < kParameterCount)
            std::snprintf(out, kMachineTextSize, "%i%%", static_cast<int32_t>(100.0 * v));
        else
            out[0] = '\0';
        break;
    }
}

void CDizodirEzav::SetSampleRate(int32_t hz)
{
    if (hz <= 0)
        return;
    CLockGuard guard(*this);
    sampleRate = hz;
    bins = std::max(1, static_cast<int32_t>(kMaxReflectionSeconds * hz));
    for (auto& row : responses)
        for (auto& response : row)
            response.assign(static_cast<size_t>(bins), 0.0);
    int32_t size = 1;
    // Room for the inputs of a whole chunk beyond the longest delay: the
    // chunk's inputs are stored before its reflections are summed.
    while (size < std::max(bins, kFeedDelay) + kEarlyChunk + 1)
        size *= 2;
    for (auto& h : history)
        h.assign(static_cast<size_t>(size + kEarlyChunk - 1), 0.0);
    historyMask = size - 1;
    writeIndex = 0;
    fadeLength = 0;
    roomDirty = positionsDirty = tailDirty = editorDirty = true;
    Recompute();
}

void CDizodirEzav::SetBlockSize(int32_t frames)
{
    blockSize = frames;
}

void CDizodirEzav::EndProgramChange()
{
    CMachine::EndProgramChange();
    // A loaded preset takes full effect at once.
    CLockGuard guard(*this);
    roomDirty = positionsDirty = tailDirty = editorDirty = true;
    Recompute();
}

void CDizodirEzav::IdleGUI()
{
    CLockGuard guard(*this);
    Recompute();
}

void CDizodirEzav::Recompute()
{
    if (roomDirty)
        ComputeRoom(); // and so the positions
    if (positionsDirty)
        ComputePositions();
    if (tailDirty)
        ComputeTail();
}

void CDizodirEzav::ComputeRoom()
{
    width = RoomSize(Clamped(ROOM_WIDTH));
    height = RoomSize(Clamped(ROOM_HEIGHT));
    reflection = 0.6 - 0.599 * Clamped(WALL_ABSORB);
    roomDirty = false;
    positionsDirty = true;
}

void CDizodirEzav::PlacePoints()
{
    for (int32_t p = 0; p < 4; ++p) {
        points[p].x = (0.1 + 0.8 * Clamped(2 * p)) * width;
        points[p].y = (0.1 + 0.8 * Clamped(2 * p + 1)) * height;
    }
}

void CDizodirEzav::BuildImages()
{
    // The images of each source: i reflections across the side walls and
    // j across the end walls cost r^(|i| + |j|). An image farther from the
    // room than sound travels in the longest reflection time cannot reach
    // any listener in time.
    for (int32_t s = 0; s < 2; ++s) {
        int32_t n = 0;
        for (int32_t i = -kMaxOrder; i <= kMaxOrder; ++i) {
            const double x = Mirror(i, points[s].x, width);
            for (int32_t j = -kMaxOrder; j <= kMaxOrder; ++j) {
                const double y = Mirror(j, points[s].y, height);
                if (DistanceToRoom(x, y, width, height) > kMaxDistance)
                    continue;
                images[s][n++] = {x, y, std::pow(reflection, std::abs(i) + std::abs(j))};
            }
        }
        imageCount[s] = n;
    }
}

void CDizodirEzav::ComputePositions()
{
    // Sources carry their images along, so both are placed here.
    PlacePoints();
    BuildImages();
    // The running taps fade out over the next samples, unless nothing has
    // been heard through them yet.
    const bool first = fadeLength == 0 && taps[0][0].count == 0 && taps[1][1].count == 0;
    for (int32_t s = 0; s < 2; ++s)
        for (int32_t l = 0; l < 2; ++l)
            fading[s][l] = taps[s][l];
    const double samplesPerMetre = sampleRate / kSpeedOfSound;
    for (int32_t s = 0; s < 2; ++s) {
        for (int32_t l = 0; l < 2; ++l) {
            std::vector<double>& response = responses[s][l];
            std::fill(response.begin(), response.end(), 0.0);
            const Point listener = points[2 + l];
            for (int32_t k = 0; k < imageCount[s]; ++k) {
                const double dx = images[s][k].x - listener.x, dy = images[s][k].y - listener.y;
                const double at = std::sqrt(dx * dx + dy * dy) * samplesPerMetre;
                if (at < bins)
                    response[static_cast<size_t>(at)] += images[s][k].gain;
            }
            TapSet& set = taps[s][l];
            set.count = 0;
            for (int32_t i = 0; i < bins && set.count < kMaxImages; ++i) {
                if (response[static_cast<size_t>(i)] != 0.0) {
                    set.delay[set.count] = i;
                    set.gain[set.count] = response[static_cast<size_t>(i)];
                    ++set.count;
                }
            }
        }
    }
    fadePosition = 0;
    fadeLength = first ? 0 : std::max(1, std::min(blockSize, kMaxCrossfade));
    positionsDirty = false;
}

void CDizodirEzav::ComputeTail()
{
    const double maxOctave = FrequencyToOctave(sampleRate / 4.0);
    cutoffHz = std::min(440.0 * std::exp2(Clamped(CUTOFF) * maxOctave - 5.0), sampleRate / 4.0);
    const double p = 1.0 / std::tan(std::numbers::pi * cutoffHz / sampleRate);
    const double a = 1.0 / (1.0 + std::numbers::sqrt2 * p + p * p);
    lowPass.b0 = a;
    lowPass.b1 = 2.0 * a;
    lowPass.b2 = a;
    lowPass.a1 = 2.0 * a * (1.0 - p * p);
    lowPass.a2 = a * (1.0 - std::numbers::sqrt2 * p + p * p);
    feedbackTarget = TailFeedback(Clamped(FEEDBACK));
    gainTarget = TailGain(Clamped(GAIN));
    if (tailFresh) {
        feedback = feedbackTarget;
        gain = gainTarget;
        tailFresh = false;
    }
    tailDirty = false;
}

namespace {

using Early = double __attribute__((vector_size(8 * CDizodirEzav::kEarlyChunk)));

// Σ taps of the input history for the chunk of samples written from `w`
// on: lane j is sample w + j, summed tap by tap in the same order as one
// sample at a time would be, so the lanes are exact.
[[gnu::always_inline]] inline void ConvolveChunk(const CDizodirEzav::TapSet& set, const double* h, int32_t w,
                                                 int32_t mask, Early& sum)
{
    sum = Early{};
    for (int32_t t = 0; t < set.count; ++t) {
        Early x;
        __builtin_memcpy(&x, h + ((w - set.delay[t]) & mask), sizeof x);
        sum += x * set.gain[t];
    }
}

// Both listeners' reflections of both sources for one chunk.
[[gnu::always_inline]] inline void EarlyChunk(const CDizodirEzav::TapSet (&sets)[2][2], const double* const* h,
                                              int32_t w, int32_t mask, double (&out)[2][CDizodirEzav::kEarlyChunk])
{
    for (int32_t l = 0; l < 2; ++l) {
        Early a, b;
        ConvolveChunk(sets[0][l], h[0], w, mask, a);
        ConvolveChunk(sets[1][l], h[1], w, mask, b);
        const Early sum = a + b;
        __builtin_memcpy(out[l], &sum, sizeof sum);
    }
}

void EarlyChunkPlain(const CDizodirEzav::TapSet (&sets)[2][2], const double* const* h, int32_t w, int32_t mask,
                     double (&out)[2][CDizodirEzav::kEarlyChunk])
{
    EarlyChunk(sets, h, w, mask, out);
}

#if defined(__x86_64__) && defined(__GNUC__)
// Four-lane registers where the processor has them.
__attribute__((target("avx"))) void EarlyChunkAvx(const CDizodirEzav::TapSet (&sets)[2][2], const double* const* h,
                                                  int32_t w, int32_t mask, double (&out)[2][CDizodirEzav::kEarlyChunk])
{
    EarlyChunk(sets, h, w, mask, out);
}

const bool hasAvx = __builtin_cpu_supports("avx");
#endif

void SumEarly(const CDizodirEzav::TapSet (&sets)[2][2], const double* const* h, int32_t w, int32_t mask,
              double (&out)[2][CDizodirEzav::kEarlyChunk])
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasAvx) {
        EarlyChunkAvx(sets, h, w, mask, out);
        return;
    }
#endif
    EarlyChunkPlain(sets, h, w, mask, out);
}

} // namespace

void CDizodirEzav::Process()
{
    CLockGuard guard(*this);
    Recompute();
    const CAudioBuffer* in = ports[0]->audioBuffer;
    CAudioBuffer* out = ports[1]->audioBuffer;
    out->Clear();
    const int32_t count = std::max(0, std::min({blockSize, in->length, out->length}));
    const double* inputs[2] = {in->left, in->right ? in->right : in->left};
    double* h[2] = {history[0].data(), history[1].data()};
    const int32_t mask = historyMask;
    const int32_t size = mask + 1;
    double* line[kTailLines];
    // The tail's running state in locals, out of reach of the buffer stores.
    BiquadHistory filters[kTailLines];
    int32_t positions[kTailLines];
    for (int32_t k = 0; k < kTailLines; ++k) {
        line[k] = lines[k].data();
        filters[k] = lineFilters[k];
        positions[k] = linePosition[k];
    }
    const BiquadCoefficients tailFilter = lowPass;
    double tailFeedback = feedback, tailGain = gain;
    for (int32_t start = 0; start < count; start += kEarlyChunk) {
        const int32_t chunk = std::min(kEarlyChunk, count - start);
        // The chunk's inputs first (and their repeats past the end), then
        // the reflections of all its samples at once.
        const int32_t w0 = writeIndex;
        for (int32_t j = 0; j < chunk; ++j) {
            const int32_t w = (w0 + j) & mask;
            for (int32_t c = 0; c < 2; ++c) {
                h[c][w] = inputs[c][start + j];
                if (w < kEarlyChunk - 1)
                    h[c][size + w] = h[c][w];
            }
        }
        double early[2][kEarlyChunk];
        SumEarly(taps, h, w0, mask, early);
        double old[2][kEarlyChunk];
        if (fadeLength > 0)
            SumEarly(fading, h, w0, mask, old);
        for (int32_t j = 0; j < chunk; ++j) {
            const int32_t w = (w0 + j) & mask;
            double e[2] = {early[0][j], early[1][j]};
            if (fadeLength > 0) {
                const double weight = static_cast<double>(fadePosition) / fadeLength;
                for (int32_t l = 0; l < 2; ++l)
                    e[l] = e[l] * weight + old[l][j] * (1.0 - weight);
                if (++fadePosition >= fadeLength)
                    fadeLength = 0;
            }
            // The tail: four filtered lines mixed through a Householder matrix.
            GlideToward(tailFeedback, feedbackTarget);
            GlideToward(tailGain, gainTarget);
            const double feed[2] = {h[0][(w - kFeedDelay) & mask], h[1][(w - kFeedDelay) & mask]};
            double y[kTailLines];
            for (int32_t k = 0; k < kTailLines; ++k)
                y[k] = filters[k].Process(tailFilter, line[k][positions[k]]);
            const double mix = -0.5 * tailFeedback * (y[0] + y[1] + y[2] + y[3]);
            for (int32_t k = 0; k < kTailLines; ++k) {
                line[k][positions[k]] = y[k] * tailFeedback + feed[k % 2] + mix + kDenormalGuard;
                if (++positions[k] == kTailLengths[k])
                    positions[k] = 0;
            }
            const double tailLeft = (y[0] + y[2]) * 0.5 * tailGain;
            const double tailRight = (y[1] + y[3]) * 0.5 * tailGain;
            out->left[start + j] = (e[0] + tailLeft) * 0.333;
            out->right[start + j] = (e[1] + tailRight) * 0.333;
            writeIndex = (w + 1) & mask;
        }
    }
    for (int32_t k = 0; k < kTailLines; ++k) {
        lineFilters[k] = filters[k];
        linePosition[k] = positions[k];
    }
    feedback = tailFeedback;
    gain = tailGain;
}
