#pragma once
#include <atomic>
#include <cstdint>

// The render callback: channel count, the channel buffers (planar 64-bit
// floats, nominal full scale -1..+1) and the frame count. It must leave the
// first `channels` buffers fully written.
using RenderCallback = void (*)(int32_t channels, double** buffers, int32_t frames);

// Writes silence; every driver starts with it installed.
void SilenceCallback(int32_t channels, double** buffers, int32_t frames);

// An output driver owns the timing: once started, it calls the render
// callback once per block on its own thread.
class CAudioOutputDriver {
public:
    virtual ~CAudioOutputDriver() = default;

    // Takes effect at the next block.
    virtual void SetCallback(RenderCallback callback) = 0;
    virtual int32_t GetChannels() = 0;
    // Frames per block the callback will be asked for.
    virtual int32_t GetBufferSize() = 0;
    virtual int32_t GetSampleRate() = 0;
    virtual const char* GetName() = 0;
    virtual void Start() = 0;
    // Stops calling the callback and applies settings changed meanwhile.
    virtual void Stop() = 0;
    virtual bool IsAvailable() = 0;

    // Told, from any of the driver's threads, that the output stopped by
    // itself (its device or server went away) and why. The handler must
    // not stop the driver on that thread; without one the reason is shown.
    using FailureHandler = void (*)(void* context, CAudioOutputDriver* driver, const char* reason);
    void SetFailureHandler(FailureHandler handler, void* context);
    // Periods the device or server missed (xruns, underruns) since the
    // driver was made.
    int64_t GetXruns() const { return xruns.load(std::memory_order_relaxed); }

protected:
    void ReportFailure(const char* reason);
    void CountXruns(int64_t count) { xruns.fetch_add(count, std::memory_order_relaxed); }

private:
    std::atomic<FailureHandler> failureHandler{nullptr};
    std::atomic<void*> failureContext{nullptr};
    std::atomic<int64_t> xruns{0};
};
