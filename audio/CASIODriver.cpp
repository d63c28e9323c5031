#include "audio/CASIODriver.h"
#include "audio/CStudioOptions.h"
#include "audio/SampleConversion.h"
#include "framework/CMutex.h"
#include "framework/Errors.h"
#include <cstring>

namespace {

constexpr int32_t kRates[] = {11025, 22050, 44100, 48000, 96000};
constexpr int kRateCount = 5;

// The driver whose buffer switch reaches the studio: one plays at a time.
std::atomic<CASIODriver*> switchTarget{nullptr};

int32_t RateOfBit(int32_t bit)
{
    for (int r = 0; r < kRateCount; ++r) {
        if (bit & (1 << r))
            return kRates[r];
    }
    return 0;
}

int32_t HighestRateBit(int32_t flags)
{
    for (int r = kRateCount - 1; r >= 0; --r) {
        if (flags & (1 << r))
            return 1 << r;
    }
    return 0;
}

const CASIODriver::ProbeRecord noDriver;

void WriteBigEndian16(void* to, int16_t value)
{
    auto bits = static_cast<uint16_t>(value);
    auto* bytes = static_cast<uint8_t*>(to);
    bytes[0] = static_cast<uint8_t>(bits >> 8);
    bytes[1] = static_cast<uint8_t>(bits & 0xFF);
}

} // namespace

CASIODriver::CASIODriver(CStudioOptions& options, const std::vector<std::string>& registryFiles)
    : options(options), drivers(registryFiles)
{
    callbacks.bufferSwitch = &CASIODriver::BufferSwitch;
    callbacks.sampleRateDidChange = &CASIODriver::SampleRateDidChange;
    callbacks.asioMessage = &CASIODriver::Message;
    callbacks.bufferSwitchTimeInfo = &CASIODriver::BufferSwitchTimeInfo;
    Probe();
    Choose();
    drivers.RemoveCurrentDriver();
}

CASIODriver::~CASIODriver()
{
    Stop();
    CASIODriver* self = this;
    switchTarget.compare_exchange_strong(self, nullptr);
}

void CASIODriver::Probe()
{
    probes.resize(static_cast<size_t>(drivers.Count()));
    for (int32_t i = 0; i < drivers.Count(); ++i) {
        ProbeRecord& probe = probes[static_cast<size_t>(i)];
        probe.name = drivers.Name(i);
        if (!drivers.LoadDriver(probe.name.c_str())) {
            probe.error = drivers.LastError().empty() ? "Not Available" : drivers.LastError();
            Trace("ASIO: <%s> Not Available <%s>", probe.name.c_str(), drivers.LastError().c_str());
        }
        // Without a current driver every answer is ASE_NotPresent and the
        // record stays empty.
        IASIODriver& asio = drivers.Current();
        asio.getBufferSize(&probe.minimumSize, &probe.maximumSize, &probe.preferredSize, &probe.granularity);
        int32_t inputs = 0;
        asio.getChannels(&inputs, &probe.outputs);
        for (int r = 0; r < kRateCount; ++r) {
            ASIOError answer = asio.canSampleRate(kRates[r]);
            if (answer != ASE_NotPresent && answer != ASE_NoClock)
                probe.rateFlags |= 1 << r;
        }
    }
}

void CASIODriver::Choose()
{
    if (drivers.Count() == 0) {
        sampleRate = 44100;
        bits = 16;
        rateBit = 4;
        driver = -1;
        bufferSize = frames = 512;
        return;
    }
    driver = options.asioDriver >= 0 && options.asioDriver < drivers.Count() ? options.asioDriver : 0;
    const ProbeRecord& probe = Chosen();
    rateBit = options.asioRate;
    rateBit = SupportedRateBit(probe.rateFlags);
    if (rateBit == 0) {
        // None of the five rates: the chosen driver's own.
        if (drivers.LoadDriver(probe.name.c_str())) {
            ASIOSampleRate rate = 0;
            if (drivers.Current().getSampleRate(&rate) == ASE_OK && rate > 0)
                sampleRate = static_cast<int32_t>(rate);
        }
    } else {
        sampleRate = RateOfBit(rateBit);
        bits = 16;
    }
    bufferSize = options.asioBufferSize;
    if (bufferSize < probe.minimumSize || bufferSize > probe.maximumSize)
        bufferSize = probe.preferredSize != 0 ? probe.preferredSize : probe.maximumSize;
    frames = bufferSize;
}

const CASIODriver::ProbeRecord& CASIODriver::Chosen() const
{
    return driver >= 0 && driver < static_cast<int32_t>(probes.size()) ? probes[static_cast<size_t>(driver)] : noDriver;
}

int32_t CASIODriver::SupportedRateBit(int32_t flags) const
{
    if (rateBit > 0 && (rateBit & (rateBit - 1)) == 0 && (flags & rateBit))
        return rateBit;
    return HighestRateBit(flags);
}

int32_t CASIODriver::GetRateFlags(int32_t index) const
{
    return index >= 0 && index < static_cast<int32_t>(probes.size()) ? probes[static_cast<size_t>(index)].rateFlags : 0;
}

const CASIODriver::ProbeRecord& CASIODriver::GetProbe(int32_t index) const
{
    return index >= 0 && index < static_cast<int32_t>(probes.size()) ? probes[static_cast<size_t>(index)] : noDriver;
}

int32_t CASIODriver::GetChannels()
{
    return Chosen().outputs;
}

void CASIODriver::SetCallback(RenderCallback newCallback)
{
    callback.store(newCallback ? newCallback : SilenceCallback, std::memory_order_release);
}

void CASIODriver::SetDriver(int32_t index)
{
    driver = index;
    options.asioDriver = index;
}

void CASIODriver::SetRate(int32_t bit)
{
    rateBit = bit;
    options.asioRate = bit;
    if (Chosen().rateFlags & bit)
        sampleRate = RateOfBit(SupportedRateBit(Chosen().rateFlags));
}

void CASIODriver::SetBufferSize(int32_t size)
{
    bufferSize = size;
    frames = size;
    options.asioBufferSize = size;
}

std::string CASIODriver::DescribeRate(int32_t bit)
{
    return FormatText("%0.1fkHz", DecodeRate(bit).sampleRate / 1000.0);
}

AudioFormat CASIODriver::DecodeRate(int32_t bit)
{
    if (bit >= 32 || bit < 0)
        Raise("Invalid Format");
    int32_t rate = RateOfBit(bit);
    if (rate == 0) {
        ASIOSampleRate current = 0;
        rate = drivers.Current().getSampleRate(&current) == ASE_OK && current > 0 ? static_cast<int32_t>(current)
                                                                                 : sampleRate;
    }
    return AudioFormat{rate, 16, true};
}

void CASIODriver::Start()
{
    CLockGuard lock(*this);
    frames = bufferSize;
    if (driver < 0 || started)
        return;
    const int32_t n = GetChannels();
    bufferInfos.assign(static_cast<size_t>(n), ASIOBufferInfo{});
    channelInfos.assign(static_cast<size_t>(n), ASIOChannelInfo{});
    channelSamples.assign(static_cast<size_t>(n) * static_cast<size_t>(frames), 0.0);
    channelBuffers.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        bufferInfos[static_cast<size_t>(i)].isInput = ASIOFalse;
        bufferInfos[static_cast<size_t>(i)].channelNum = i;
        channelInfos[static_cast<size_t>(i)].channel = i;
        channelInfos[static_cast<size_t>(i)].isInput = ASIOFalse;
        channelBuffers[static_cast<size_t>(i)] = channelSamples.data() + static_cast<size_t>(i) * static_cast<size_t>(frames);
    }
    switchTarget.store(this, std::memory_order_release);
    if (!drivers.LoadDriver(Chosen().name.c_str())) {
        Show("ASIO: Driver <%s> Not Started <%s>", Chosen().name.c_str(), drivers.LastError().c_str());
        return;
    }
    IASIODriver& asio = drivers.Current();
    // The sample types are the loaded driver's to tell.
    for (ASIOChannelInfo& info : channelInfos)
        asio.getChannelInfo(&info);
    if (Chosen().rateFlags != 0) {
        rateBit = SupportedRateBit(Chosen().rateFlags);
        sampleRate = RateOfBit(rateBit);
        bits = 16;
        if (asio.setSampleRate(sampleRate) != ASE_OK) {
            ASIOSampleRate rate = 0;
            if (asio.getSampleRate(&rate) == ASE_OK && rate > 0)
                sampleRate = static_cast<int32_t>(rate);
        }
    }
    ASIOError result = asio.createBuffers(bufferInfos.data(), n, frames, &callbacks);
    if (result != ASE_OK) {
        Show("ASIO: Driver <%s> Not Started <createBuffers Error %i>", Chosen().name.c_str(), result);
        drivers.RemoveCurrentDriver();
        return;
    }
    asio.outputReady();
    asio.start();
    started = true;
}

void CASIODriver::Stop()
{
    CLockGuard lock(*this);
    if (!started)
        return;
    started = false;
    IASIODriver& asio = drivers.Current();
    asio.stop();
    asio.disposeBuffers();
    drivers.RemoveCurrentDriver();
}

int32_t CASIODriver::Message(int32_t selector, int32_t value, void* message, double*)
{
    CASIODriver* target = switchTarget.load(std::memory_order_acquire);
    if (!target)
        return 0;
    switch (selector) {
    case kAsioResetRequest:
        target->ReportFailure(message ? static_cast<const char*>(message) : "ASIO: The Driver Stopped");
        return 1;
    case kAsioOverload:
        target->CountXruns(value > 0 ? value : 1);
        return 1;
    default:
        return 0;
    }
}

void CASIODriver::BufferSwitch(int32_t index, ASIOBool)
{
    if (CASIODriver* target = switchTarget.load(std::memory_order_acquire))
        target->Switch(index);
}

void CASIODriver::Switch(int32_t index)
{
    const auto n = static_cast<int32_t>(bufferInfos.size());
    callback.load(std::memory_order_acquire)(n, channelBuffers.data(), frames);
    for (size_t c = 0; c < bufferInfos.size(); ++c) {
        const double* samples = channelBuffers[c];
        void* half = bufferInfos[c].buffers[index & 1];
        if (!half)
            continue;
        switch (channelInfos[c].type) {
        case ASIOSTInt32LSB: {
            auto* out = static_cast<int32_t*>(half);
            for (int32_t i = 0; i < frames; ++i)
                out[i] = QuantizeTo32(samples[i]);
            break;
        }
        case ASIOSTInt16LSB: {
            auto* out = static_cast<int16_t*>(half);
            for (int32_t i = 0; i < frames; ++i)
                out[i] = QuantizeTo16(samples[i]);
            break;
        }
        case ASIOSTInt16MSB: {
            auto* out = static_cast<uint8_t*>(half);
            for (int32_t i = 0; i < frames; ++i)
                WriteBigEndian16(out + 2 * i, QuantizeTo16(samples[i]));
            break;
        }
        default:
            // 24-bit, float and big-endian 32-bit channels get nothing.
            break;
        }
    }
    drivers.Current().outputReady();
}
