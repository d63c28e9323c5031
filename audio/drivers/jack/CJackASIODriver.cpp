// The JACK driver of the low-latency driver model: the studio plays into
// the running JACK server with the server's rate and period. It never starts
// a server itself. Its channels are 32-bit integers, which it turns into
// JACK's floats in the process callback right after the buffer switch.
#include "audio/ASIOInterface.h"
#include "framework/Errors.h"
#include "platform/OsComponent.h"
#include "platform/OsJack.h"
#include "platform/OsThread.h"
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// {6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}
constexpr platform::ClassId kClassId = {0x6A1F3C2E, 0x9B47, 0x4D85, {0xA0, 0xE3, 0x7C, 0x5B, 0x2D, 0x91, 0x4F, 0x68}};
constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);

constexpr int32_t kOutputs = 2;
constexpr const char* kClientName = "Velmora Studio";
constexpr float kFullScale = 2147483648.0f;

void TraceJack(const char* text)
{
    Trace("JACK: %s", text);
}

class CJackASIODriver : public IASIODriver {
public:
    int32_t Release() override
    {
        int32_t left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    ASIOBool init(void*) override
    {
        if (client)
            return ASIOTrue;
        platform::RouteJackMessages(TraceJack);
        client.reset(platform::JackClient::Open(kClientName, &error));
        return client ? ASIOTrue : ASIOFalse;
    }

    void getDriverName(char* name) override { std::snprintf(name, kASIODriverNameSize, "JACK"); }
    int32_t getDriverVersion() override { return 1; }
    void getErrorMessage(char* text) override { std::snprintf(text, kASIOErrorMessageSize, "%s", error.c_str()); }

    ASIOError start() override
    {
        if (!client || halves.empty())
            return ASE_InvalidMode;
        if (client->IsServerGone())
            return ASE_HWMalfunction;
        if (!client->Activate(&CJackASIODriver::Process, this, &CJackASIODriver::Notice))
            return ASE_HWMalfunction;
        // Heard at once where the system has playback ports.
        std::vector<std::string> playback = client->FindPorts("", true);
        for (int i = 0; i < client->PortCount() && i < static_cast<int>(playback.size()); ++i)
            client->Connect(client->PortName(i), playback[static_cast<size_t>(i)]);
        running.store(true, std::memory_order_release);
        return ASE_OK;
    }

    ASIOError stop() override
    {
        if (!client)
            return ASE_NotPresent;
        running.store(false, std::memory_order_release);
        client->Deactivate();
        return ASE_OK;
    }

    ASIOError getChannels(int32_t* inputs, int32_t* outputs) override
    {
        if (!client)
            return ASE_NotPresent;
        *inputs = 0;
        *outputs = kOutputs;
        return ASE_OK;
    }

    ASIOError getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred, int32_t* granularity) override
    {
        if (!client)
            return ASE_NotPresent;
        *minimum = *maximum = *preferred = static_cast<int32_t>(client->BufferSize());
        *granularity = 0;
        return ASE_OK;
    }

    ASIOError canSampleRate(ASIOSampleRate rate) override
    {
        if (!client)
            return ASE_NotPresent;
        return rate == client->SampleRate() ? ASE_OK : ASE_NoClock;
    }

    ASIOError getSampleRate(ASIOSampleRate* rate) override
    {
        if (!client)
            return ASE_NotPresent;
        *rate = client->SampleRate();
        return ASE_OK;
    }

    ASIOError setSampleRate(ASIOSampleRate rate) override { return canSampleRate(rate); }

    ASIOError getChannelInfo(ASIOChannelInfo* info) override
    {
        if (!client)
            return ASE_NotPresent;
        if (info->isInput || info->channel < 0 || info->channel >= kOutputs)
            return ASE_InvalidParameter;
        info->isActive = ASIOTrue;
        info->channelGroup = 0;
        info->type = ASIOSTInt32LSB;
        std::snprintf(info->name, sizeof info->name, "out_%d", info->channel + 1);
        return ASE_OK;
    }

    ASIOError createBuffers(ASIOBufferInfo* infos, int32_t channels, int32_t size, ASIOCallbacks* newCallbacks) override
    {
        if (!client)
            return ASE_NotPresent;
        if (!halves.empty())
            return ASE_InvalidMode;
        if (channels < 0 || channels > kOutputs || size != static_cast<int32_t>(client->BufferSize()) || !newCallbacks)
            return ASE_InvalidParameter;
        for (int32_t c = 0; c < channels; ++c) {
            if (infos[c].isInput || infos[c].channelNum < 0 || infos[c].channelNum >= kOutputs)
                return ASE_InvalidParameter;
        }
        if (!client->AddPorts(channels, "out_", true)) {
            client->RemovePorts();
            return ASE_HWMalfunction;
        }
        frames = size;
        callbacks.store(newCallbacks, std::memory_order_release);
        halves.assign(static_cast<size_t>(channels) * 2 * static_cast<size_t>(size), 0);
        for (int32_t c = 0; c < channels; ++c) {
            for (int half = 0; half < 2; ++half)
                infos[c].buffers[half] = Half(c, half);
        }
        return ASE_OK;
    }

    ASIOError disposeBuffers() override
    {
        if (!client)
            return ASE_NotPresent;
        client->RemovePorts();
        halves.clear();
        callbacks.store(nullptr, std::memory_order_release);
        return ASE_OK;
    }

    ASIOError outputReady() override { return client ? ASE_OK : ASE_NotPresent; }

private:
    ~CJackASIODriver() override
    {
        if (client) {
            stop();
            disposeBuffers();
            // No JACK thread calls in any more once the client is closed.
            client.reset();
        }
    }

    int32_t* Half(int32_t channel, int half)
    {
        return halves.data() + (static_cast<size_t>(channel) * 2 + static_cast<size_t>(half)) * static_cast<size_t>(frames);
    }

    // (The client holds JACK's cancels off while a block runs.)
    static void Process(void* self, uint32_t periodFrames)
    {
        static_cast<CJackASIODriver*>(self)->Play(periodFrames);
    }

    // On JACK's threads: the client may not be touched from here; the host
    // is told and stops the driver from a thread of its own.
    static void Notice(void* self, platform::JackClient::Notice notice, const char* reason)
    {
        auto* me = static_cast<CJackASIODriver*>(self);
        ASIOCallbacks* host = me->callbacks.load(std::memory_order_acquire);
        if (notice == platform::JackClient::SERVER_GONE) {
            me->running.store(false, std::memory_order_release);
            char text[160];
            std::snprintf(text, sizeof text, "JACK Server Stopped%s%s", *reason ? ": " : "", reason);
            Trace("%s", text);
            if (host)
                host->asioMessage(kAsioResetRequest, 0, text, nullptr);
        } else if (host) {
            host->asioMessage(kAsioOverload, 1, nullptr, nullptr);
        }
    }

    // JACK's process thread: the host fills one half, which goes out at once.
    void Play(uint32_t periodFrames)
    {
        const int ports = client->PortCount();
        // A period of another size than the buffers (the server's period
        // changed) plays silence.
        if (!running.load(std::memory_order_acquire) || periodFrames != static_cast<uint32_t>(frames)) {
            for (int c = 0; c < ports; ++c) {
                float* out = client->PortBuffer(c, periodFrames);
                for (uint32_t i = 0; i < periodFrames; ++i)
                    out[i] = 0.0f;
            }
            return;
        }
        callbacks.load(std::memory_order_relaxed)->bufferSwitch(half, ASIOTrue);
        for (int c = 0; c < ports; ++c) {
            const int32_t* in = Half(c, half);
            float* out = client->PortBuffer(c, periodFrames);
            for (uint32_t i = 0; i < periodFrames; ++i)
                out[i] = static_cast<float>(in[i]) / kFullScale;
        }
        half ^= 1;
    }

    std::atomic<int32_t> references{1};
    std::unique_ptr<platform::JackClient> client;
    std::string error = "Not Initialised";
    std::atomic<bool> running{false};
    std::atomic<ASIOCallbacks*> callbacks{nullptr};
    std::vector<int32_t> halves;
    int32_t frames = 0;
    int half = 0;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t VelmoraCreateInstance(const platform::ClassId* classId,
                                                                                const platform::ClassId* interfaceId,
                                                                                void** object)
{
    if (!object)
        return kClassNotAvailable;
    *object = nullptr;
    if (!classId || !interfaceId || !(*classId == kClassId) || !(*interfaceId == kClassId))
        return kClassNotAvailable;
    *object = static_cast<IASIODriver*>(new CJackASIODriver());
    return 0;
}
