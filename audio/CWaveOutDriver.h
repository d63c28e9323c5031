#pragma once
#include "audio/CAudioOutputDriver.h"
#include "audio/FormatMask.h"
#include "framework/CHostMutex.h"
#include "platform/OsWaveOut.h"
#include <atomic>
#include <string>
#include <vector>

class CStudioOptions;

// Plays the studio through a waveOut device with two blocks in flight: the
// device's completion callback renders the finished block anew and queues
// it again, so the render callback runs on the device's feeder thread,
// inside the driver mutex.
//
// A mono device is fed from the first channel buffer alone: the render
// callback is asked for one channel, so the second buffer holds nothing of
// this block.
class CWaveOutDriver : public CAudioOutputDriver, public CHostMutex {
public:
    static constexpr int32_t kMinimumBufferSize = 2048;
    static constexpr int32_t kMaximumBufferSize = 16384;

    explicit CWaveOutDriver(CStudioOptions& options);
    // Closes a device still open.
    ~CWaveOutDriver() override;

    void SetCallback(RenderCallback callback) override;
    int32_t GetChannels() override { return stereo ? 2 : 1; }
    int32_t GetBufferSize() override { return static_cast<int32_t>(frames); }
    int32_t GetSampleRate() override { return sampleRate; }
    const char* GetName() override { return "Wave Out"; }
    // Opens the device and queues both blocks; when the device does not
    // open, shows "WaveOut: waveOutOpen Failed <Error Code 0x%x>" and stays
    // stopped (silent).
    void Start() override;
    void Stop() override;
    bool IsAvailable() override { return deviceCount > 0; }

    // Settings, as the options dialog sees them. Changes are stored in the
    // options at once and reach the device at the next Stop and Start.
    int32_t GetDeviceCount() const { return deviceCount; }
    // Null for an index outside the list.
    const char* GetDeviceName(int32_t index) const;
    FormatMask GetDeviceFormats(int32_t index) const;
    // -1 when there is no device.
    int32_t GetDevice() const { return device; }
    void SetDevice(int32_t index);
    FormatMask GetFormat() const { return format; }
    // Raises "Invalid Format" for an empty mask (and keeps the old one).
    void SetFormat(FormatMask mask);
    // The mask itself when the chosen device plays it, else the nearest
    // format it plays (0 when none).
    FormatMask NearestFormat(FormatMask mask) const;
    int32_t GetChosenBufferSize() const { return bufferSize; }
    // Clamped to 2048..16384 and rounded down to a multiple of 512.
    void SetBufferSize(int32_t size);

private:
    static void Completion(platform::HWaveOut handle, uint32_t message, void* instance, platform::WaveHeader* header);
    void Refill(int block);
    void ApplyFormat();
    void ReleaseBlocks();
    void CloseDevice();
    uint32_t BytesPerFrame() const { return (stereo ? 2u : 1u) * static_cast<uint32_t>(bits) / 8u; }

    CStudioOptions& options;
    std::atomic<RenderCallback> callback{SilenceCallback};
    int32_t sampleRate = 44100;
    uint32_t frames = 4096;
    int32_t bits = 16;
    bool stereo = true;
    platform::HWaveOut handle = nullptr;
    std::vector<char> blocks[2];
    platform::WaveHeader headers[2] = {};
    std::vector<double> channelBuffers[2];
    double* channelPointers[2] = {nullptr, nullptr};
    std::vector<platform::WaveOutCaps> devices;
    int32_t deviceCount = 0;
    int32_t device = 0;
    FormatMask format = 0x800;
    int32_t bufferSize = 8192;
    bool started = false;
    // A device that failed while playing is reported once per Start.
    bool writeFailureShown = false;
    // The open device's underruns already added to the xruns.
    uint64_t underrunsCounted = 0;
};
