#pragma once
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
};
