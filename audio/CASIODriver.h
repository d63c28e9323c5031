#pragma once
#include "audio/ASIOInterface.h"
#include "audio/CASIODriverList.h"
#include "audio/CAudioOutputDriver.h"
#include "audio/FormatMask.h"
#include "framework/CHostMutex.h"
#include <atomic>
#include <string>
#include <vector>

class CStudioOptions;

// Plays the studio through a low-latency driver of the driver registry.
// Every listed driver is probed once at construction and closed again; the
// chosen one is loaded at Start and closed at Stop, so while stopped no
// driver object exists. The render callback runs in the driver's buffer
// switch, on the driver's thread, and is asked for as many channels as the
// driver has outputs.
class CASIODriver : public CAudioOutputDriver, public CHostMutex {
public:
    // What probing found out about one listed driver.
    struct ProbeRecord {
        std::string name;
        // Bit 1 = 11025, 2 = 22050, 4 = 44100, 8 = 48000, 16 = 96000 Hz.
        int32_t rateFlags = 0;
        int32_t minimumSize = 0;
        int32_t maximumSize = 0;
        int32_t preferredSize = 0;
        int32_t granularity = 0;
        int32_t outputs = 0;
        // Why the driver could not be loaded (empty when it could).
        std::string error;
    };

    explicit CASIODriver(CStudioOptions& options,
                         const std::vector<std::string>& registryFiles = CASIODriverList::DefaultRegistryFiles());
    ~CASIODriver() override;

    void SetCallback(RenderCallback callback) override;
    // The chosen driver's outputs (0 without one).
    int32_t GetChannels() override;
    int32_t GetBufferSize() override { return frames; }
    int32_t GetSampleRate() override { return sampleRate; }
    const char* GetName() override { return "ASIO"; }
    void Start() override;
    void Stop() override;
    bool IsAvailable() override { return drivers.Count() > 0; }

    // Settings, as the options dialog sees them; each setter stores its
    // value in the options at once.
    int32_t GetDriverCount() const { return drivers.Count(); }
    // Null for an index outside the list.
    const char* GetDriverName(int32_t index) const { return drivers.Name(index); }
    int32_t GetRateFlags(int32_t index) const;
    // What probing found for driver `index` (an empty record outside the list).
    const ProbeRecord& GetProbe(int32_t index) const;
    // -1 when no driver is installed.
    int32_t GetDriver() const { return driver; }
    void SetDriver(int32_t index);
    int32_t GetRate() const { return rateBit; }
    // Also makes the rate the active one when the chosen driver supports it,
    // so that the studio is prepared for the rate that Start will set.
    void SetRate(int32_t bit);
    int32_t GetChosenBufferSize() const { return bufferSize; }
    // Also the active block size.
    void SetBufferSize(int32_t size);
    // Of the chosen driver (0 without one).
    int32_t GetMinimumBufferSize() const { return Chosen().minimumSize; }
    int32_t GetMaximumBufferSize() const { return Chosen().maximumSize; }
    int32_t GetPreferredBufferSize() const { return Chosen().preferredSize; }
    int32_t GetGranularity() const { return Chosen().granularity; }
    int32_t GetOutputChannels() const { return Chosen().outputs; }
    // "44.1kHz"; for bit 0 the driver's current rate.
    std::string DescribeRate(int32_t bit);
    // The rate of the lowest set bit, 16 bits, stereo; bit 0 gives the
    // current rate; 32 or more raises "Invalid Format".
    AudioFormat DecodeRate(int32_t bit);

private:
    static void BufferSwitch(int32_t index, ASIOBool directProcess);
    static void SampleRateDidChange(ASIOSampleRate) {}
    // A reset request (the device or server went away) and overloads
    // (xruns); any of the driver's threads.
    static int32_t Message(int32_t selector, int32_t value, void* message, double* opt);
    static ASIOTime* BufferSwitchTimeInfo(ASIOTime*, int32_t, ASIOBool) { return nullptr; }

    void Probe();
    void Choose();
    const ProbeRecord& Chosen() const;
    // The stored bit when the driver supports it, else its highest rate.
    int32_t SupportedRateBit(int32_t flags) const;
    void Switch(int32_t index);

    CStudioOptions& options;
    CASIODriverList drivers;
    std::vector<ProbeRecord> probes;
    std::atomic<RenderCallback> callback{SilenceCallback};
    ASIOCallbacks callbacks;
    int32_t sampleRate = 44100;
    int32_t frames = 512;
    int32_t bits = 16;
    int32_t driver = -1;
    int32_t rateBit = 4;
    int32_t bufferSize = 512;
    bool started = false;

    // Per output channel, allocated at Start.
    std::vector<ASIOBufferInfo> bufferInfos;
    std::vector<ASIOChannelInfo> channelInfos;
    std::vector<double> channelSamples;
    std::vector<double*> channelBuffers;
};
