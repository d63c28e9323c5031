#pragma once
// Stereo room reverb from a geometric model: a rectangular room seen from
// above, two sources (the input channels) and two listeners (the output
// channels). Mirror-image sources give the early reflections as taps per
// source and listener; four filtered delay lines give the tail.
//
// Parameter changes only mark what must be recomputed; the recomputation
// runs under the machine lock at the start of the next work call or idle
// call, never inside SetParameter, and never allocates: every buffer is
// sized for the smallest room when the sample rate is set.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"
#include "coremachines/Biquad.h"
#include "framework/CMachine.h"
#include <cstdint>
#include <vector>

class CDizodirEzav : public CMachine {
public:
    static constexpr int32_t kParameterCount = 14;
    enum Parameter : int32_t {
        SRC_LEFT_X = 0,
        SRC_LEFT_Y,
        SRC_RIGHT_X,
        SRC_RIGHT_Y,
        DST_LEFT_X,
        DST_LEFT_Y,
        DST_RIGHT_X,
        DST_RIGHT_Y,
        ROOM_WIDTH,
        ROOM_HEIGHT,
        WALL_ABSORB,
        FEEDBACK,
        CUTOFF,
        GAIN,
    };
    static constexpr double kSpeedOfSound = 346.02;      // m/s
    static constexpr double kMaxReflectionSeconds = 0.075;
    static constexpr double kMaxDistance = kSpeedOfSound * kMaxReflectionSeconds;
    static constexpr int32_t kTailLines = 4;
    static constexpr int32_t kTailLengths[kTailLines] = {601, 691, 773, 839};
    static constexpr int32_t kFeedDelay = 601;
    static constexpr int32_t kMaxCrossfade = 128;
    // Samples whose early reflections are summed together.
    static constexpr int32_t kEarlyChunk = 4;
    // Images per axis in the smallest (10 m) room: reflections −k..k.
    static constexpr int32_t kMaxOrder = static_cast<int32_t>(kMaxDistance / 10.0) + 2;
    static constexpr int32_t kMaxImages = (2 * kMaxOrder + 1) * (2 * kMaxOrder + 1);

    struct Point {
        double x = 0.0;
        double y = 0.0;
    };
    // The taps of one source heard by one listener.
    struct TapSet {
        int32_t delay[kMaxImages];
        double gain[kMaxImages];
        int32_t count = 0;
    };

    CDizodirEzav(CHost* host, const CWaveTables* tables);

    void Process() override;
    void IdleGUI() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    void EndProgramChange() override;
    bool IsGenerator() override { return false; }

    // The room as last computed (metres).
    double Width() const { return width; }
    double Height() const { return height; }
    double Reflection() const { return reflection; }
    Point Source(int32_t side) const { return points[side]; }
    Point Listener(int32_t side) const { return points[2 + side]; }
    // Dense response of a source (0 left, 1 right) at a listener: bin i
    // sums the gains of the paths arriving within [i, i + 1) samples.
    const std::vector<double>& Response(int32_t source, int32_t listener) const
    {
        return responses[source][listener];
    }
    const TapSet& Taps(int32_t source, int32_t listener) const { return taps[source][listener]; }
    bool IsDirty() const { return roomDirty || positionsDirty || tailDirty; }
    double TailCutoffHz() const { return cutoffHz; }

private:
    void Recompute();
    void ComputeRoom();
    void PlacePoints();
    void BuildImages();
    void ComputePositions();
    void ComputeTail();
    double Clamped(int32_t index) const;

    double values[kParameterCount];
    int32_t sampleRate;
    int32_t blockSize;
    int32_t bins = 0; // samples in the longest reflection time

    double width = 10.0;
    double height = 10.0;
    double reflection = 0.3;
    Point points[4]; // sources left, right; listeners left, right
    struct Image {
        double x, y, gain;
    };
    Image images[2][kMaxImages];
    int32_t imageCount[2] = {};

    std::vector<double> responses[2][2];
    TapSet taps[2][2];
    TapSet fading[2][2]; // the previous taps while they are crossfaded out
    int32_t fadePosition = 0;
    int32_t fadeLength = 0; // 0: no crossfade running

    // Early reflections: per input channel, a circular buffer of the input.
    // Its first kEarlyChunk − 1 samples are repeated past its end, so that
    // a chunk of consecutive samples reads without wrapping.
    std::vector<double> history[2];
    int32_t historyMask = 0;
    int32_t writeIndex = 0;

    // The tail: four delay lines with a low pass each.
    std::vector<double> lines[kTailLines];
    int32_t linePosition[kTailLines] = {};
    BiquadCoefficients lowPass;
    BiquadHistory lineFilters[kTailLines];
    double cutoffHz = 0.0;
    double feedbackTarget = 0.0;
    double gainTarget = 0.0;
    double feedback = 0.0; // smoothed
    double gain = 0.0;     // smoothed
    bool tailFresh = true; // the smoothed values start at their targets

    bool roomDirty = true;
    bool positionsDirty = true;
    bool tailDirty = true;
    bool editorDirty = true; // for the editor's room and impulse views
};

class CDizodirEzavInfo : public CCoreMachineInfo<CEditableMachine<CDizodirEzav, CoreEditorKind::Reverb>> {
public:
    CDizodirEzavInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT DizodirEzav", "VelmPlug::ZT DizodirEzav")
    {
    }
};
