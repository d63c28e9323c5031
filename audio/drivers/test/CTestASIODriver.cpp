#include "audio/drivers/test/CTestASIODriver.h"
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);
constexpr double kRates[] = {11025, 22050, 44100, 48000, 96000};

struct ClassState {
    TestASIOConfig config;
    TestASIORecord record;
};

struct ClassOrder {
    bool operator()(const platform::ClassId& a, const platform::ClassId& b) const
    {
        return std::memcmp(&a, &b, sizeof a) < 0;
    }
};

std::mutex stateMutex;
std::map<platform::ClassId, ClassState, ClassOrder> states;

template <typename F>
void WithState(const platform::ClassId& id, F change)
{
    std::lock_guard lock(stateMutex);
    change(states[id]);
}

int32_t SampleBytes(int32_t type)
{
    return type == ASIOSTInt16LSB || type == ASIOSTInt16MSB ? 2 : 4;
}

class CTestASIODriver : public IASIODriver {
public:
    explicit CTestASIODriver(const platform::ClassId& id) : id(id)
    {
        WithState(id, [&](ClassState& state) {
            config = state.config;
            ++state.record.created;
        });
        rate = config.currentRate;
    }

    int32_t Release() override
    {
        int32_t left = --references;
        if (left == 0) {
            stop();
            WithState(id, [](ClassState& state) { ++state.record.released; });
            delete this;
        }
        return left;
    }

    ASIOBool init(void*) override
    {
        WithState(id, [](ClassState& state) { ++state.record.inits; });
        initialised = !config.failInit;
        return initialised ? ASIOTrue : ASIOFalse;
    }
    void getDriverName(char* name) override { std::snprintf(name, kASIODriverNameSize, "Test"); }
    int32_t getDriverVersion() override { return 7; }
    void getErrorMessage(char* text) override
    {
        std::snprintf(text, kASIOErrorMessageSize, "%s", initialised ? "" : "Test Device Missing");
    }

    ASIOError start() override
    {
        if (!initialised || halves.empty() || running)
            return ASE_InvalidMode;
        WithState(id, [](ClassState& state) { ++state.record.starts; });
        running = true;
        switcher = std::thread(&CTestASIODriver::Switching, this);
        return ASE_OK;
    }

    ASIOError stop() override
    {
        if (!running)
            return initialised ? ASE_OK : ASE_NotPresent;
        running = false;
        switcher.join();
        WithState(id, [](ClassState& state) { ++state.record.stops; });
        return ASE_OK;
    }

    ASIOError getChannels(int32_t* inputs, int32_t* outputs) override
    {
        if (!initialised)
            return ASE_NotPresent;
        *inputs = 0;
        *outputs = config.outputs;
        return ASE_OK;
    }

    ASIOError getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred, int32_t* granularity) override
    {
        if (!initialised)
            return ASE_NotPresent;
        *minimum = config.minimumSize;
        *maximum = config.maximumSize;
        *preferred = config.preferredSize;
        *granularity = config.granularity;
        return ASE_OK;
    }

    ASIOError canSampleRate(ASIOSampleRate candidate) override
    {
        if (!initialised)
            return ASE_NotPresent;
        for (int r = 0; r < 5; ++r) {
            if (kRates[r] == candidate && (config.rateFlags & (1 << r)))
                return ASE_OK;
        }
        return ASE_NoClock;
    }

    ASIOError getSampleRate(ASIOSampleRate* current) override
    {
        if (!initialised)
            return ASE_NotPresent;
        *current = rate;
        return ASE_OK;
    }

    ASIOError setSampleRate(ASIOSampleRate newRate) override
    {
        WithState(id, [&](ClassState& state) { state.record.ratesSet.push_back(newRate); });
        ASIOError answer = canSampleRate(newRate);
        if (answer == ASE_OK)
            rate = newRate;
        return answer;
    }

    ASIOError getChannelInfo(ASIOChannelInfo* info) override
    {
        if (!initialised)
            return ASE_NotPresent;
        if (info->isInput || info->channel < 0 || info->channel >= config.outputs)
            return ASE_InvalidParameter;
        info->isActive = ASIOTrue;
        info->type = config.sampleType;
        std::snprintf(info->name, sizeof info->name, "Test %d", info->channel + 1);
        return ASE_OK;
    }

    ASIOError createBuffers(ASIOBufferInfo* infos, int32_t channels, int32_t size, ASIOCallbacks* newCallbacks) override
    {
        if (!initialised)
            return ASE_NotPresent;
        if (channels < 1 || channels > config.outputs || size < config.minimumSize || size > config.maximumSize)
            return ASE_InvalidParameter;
        halfBytes = static_cast<size_t>(size) * static_cast<size_t>(SampleBytes(config.sampleType));
        halves.assign(static_cast<size_t>(channels) * 2 * halfBytes, kTestASIOMarker);
        channelCount = channels;
        callbacks = newCallbacks;
        std::vector<int32_t> numbers;
        for (int32_t c = 0; c < channels; ++c) {
            numbers.push_back(infos[c].channelNum);
            for (int half = 0; half < 2; ++half)
                infos[c].buffers[half] = Half(c, half);
        }
        WithState(id, [&](ClassState& state) {
            state.record.bufferChannels = channels;
            state.record.bufferSize = size;
            state.record.channelNumbers = numbers;
        });
        return ASE_OK;
    }

    ASIOError disposeBuffers() override
    {
        if (!initialised)
            return ASE_NotPresent;
        halves.clear();
        WithState(id, [&](ClassState& state) {
            ++state.record.disposes;
            if (running)
                state.record.disposedWhileRunning = true;
        });
        return ASE_OK;
    }

    ASIOError outputReady() override
    {
        if (!initialised)
            return ASE_NotPresent;
        WithState(id, [](ClassState& state) { ++state.record.outputReadies; });
        return ASE_OK;
    }

private:
    ~CTestASIODriver() override = default;

    uint8_t* Half(int32_t channel, int half)
    {
        return halves.data() + (static_cast<size_t>(channel) * 2 + static_cast<size_t>(half)) * halfBytes;
    }

    void Switching()
    {
        int half = 0;
        while (running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(config.switchIntervalMs));
            if (!running)
                break;
            callbacks->bufferSwitch(half, ASIOFalse);
            std::vector<uint8_t> given;
            for (int32_t c = 0; c < channelCount; ++c)
                given.insert(given.end(), Half(c, half), Half(c, half) + halfBytes);
            WithState(id, [&](ClassState& state) {
                ++state.record.switches;
                if (static_cast<int32_t>(state.record.halves.size()) < config.recordedSwitches)
                    state.record.halves.push_back(std::move(given));
            });
            half ^= 1;
        }
    }

    const platform::ClassId id;
    TestASIOConfig config;
    std::atomic<int32_t> references{1};
    bool initialised = false;
    double rate;
    ASIOCallbacks* callbacks = nullptr;
    std::vector<uint8_t> halves;
    size_t halfBytes = 0;
    int32_t channelCount = 0;
    std::atomic<bool> running{false};
    std::thread switcher;
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t VelmoraCreateInstance(const platform::ClassId* classId,
                                                                     const platform::ClassId* interfaceId, void** object)
{
    if (!object)
        return kClassNotAvailable;
    *object = nullptr;
    if (!classId || !interfaceId || !(*classId == *interfaceId))
        return kClassNotAvailable;
    *object = static_cast<IASIODriver*>(new CTestASIODriver(*classId));
    return 0;
}

__attribute__((visibility("default"))) void TestASIOConfigure(const platform::ClassId* classId,
                                                              const TestASIOConfig* config)
{
    WithState(*classId, [&](ClassState& state) { state.config = *config; });
}

__attribute__((visibility("default"))) void TestASIORecordOf(const platform::ClassId* classId, TestASIORecord* record)
{
    WithState(*classId, [&](ClassState& state) { *record = state.record; });
}

__attribute__((visibility("default"))) void TestASIOForget()
{
    std::lock_guard lock(stateMutex);
    states.clear();
}
}
