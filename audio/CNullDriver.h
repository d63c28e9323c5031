#pragma once
#include "audio/CAudioOutputDriver.h"
#include "audio/FormatMask.h"
#include "framework/CThread.h"
#include <atomic>
#include <string>

class CStudioOptions;

// The driver that needs no device: its thread calls the render callback
// once per block and sleeps out the rest of the block's period, measured
// with the millisecond tick counter. A block that overran is followed by the
// next one at once, without catching up.
//
// The thread holds its mutex for a whole block (sleep included); Start and
// Stop take the same mutex, so they wait for the block in progress.
class CNullDriver : public CAudioOutputDriver, public CThread {
public:
    static constexpr int32_t kMinimumBufferSize = 512;
    static constexpr int32_t kMaximumBufferSize = 8192;

    explicit CNullDriver(CStudioOptions& options);
    ~CNullDriver() override;

    void SetCallback(RenderCallback callback) override;
    int32_t GetChannels() override { return stereo ? 2 : 1; }
    int32_t GetBufferSize() override { return static_cast<int32_t>(frames); }
    int32_t GetSampleRate() override { return sampleRate; }
    const char* GetName() override { return "Null"; }
    void Start() override;
    void Stop() override;
    bool IsAvailable() override { return true; }

    // Settings, as the options dialog sees them. Changes are stored in the
    // options at once and reach the running driver at its next Stop.
    FormatMask GetSupportedFormats() const { return kAllFormats; }
    int32_t GetDeviceCount() const { return 1; }
    int32_t GetCurrentDevice() const { return 0; }
    void SetDevice(int32_t) {}
    FormatMask GetFormat() const { return format; }
    // Raises "Invalid Format" for an empty mask (and keeps the old one).
    void SetFormat(FormatMask mask);
    // Every format is supported: the request itself.
    FormatMask NearestFormat(FormatMask mask) const { return mask; }
    // The block size chosen for the next Start.
    int32_t GetChosenBufferSize() const { return bufferSize; }
    // Clamped to 512..8192 and rounded down to a multiple of 512.
    void SetBufferSize(int32_t size);

    void Process() override;

private:
    void ApplyFormat();
    void FreeBuffers();

    CStudioOptions& options;
    std::atomic<RenderCallback> callback{SilenceCallback};
    int32_t sampleRate = 44100;
    uint32_t frames = 0;
    uint32_t bits = 16;
    bool stereo = true;
    double* buffers[2] = {nullptr, nullptr};
    bool started = false;
    FormatMask format;
    int32_t bufferSize;
    uint32_t cycleStart = 0;
};
