#pragma once
#include "audio/CAudioOutputDriver.h"

// Holds a device driver's slot where that driver cannot run: it reports
// itself unavailable, so it is never chosen by default and never started.
class CUnavailableDriver : public CAudioOutputDriver {
public:
    explicit CUnavailableDriver(const char* name) : name(name) {}

    void SetCallback(RenderCallback) override {}
    int32_t GetChannels() override { return 2; }
    int32_t GetBufferSize() override { return 2048; }
    int32_t GetSampleRate() override { return 44100; }
    const char* GetName() override { return name; }
    void Start() override {}
    void Stop() override {}
    bool IsAvailable() override { return false; }

private:
    const char* name;
};
