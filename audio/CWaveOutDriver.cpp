#include "audio/CWaveOutDriver.h"
#include "audio/CStudioOptions.h"
#include "audio/BufferSize.h"
#include "audio/SampleConversion.h"
#include "framework/CMutex.h"
#include "framework/Errors.h"

namespace {

// Frame after frame, channel after channel, each sample quantised.
template <typename Sample>
void Interleave(Sample* out, double* const* channels, int32_t count, uint32_t frames, Sample (*quantize)(double))
{
    for (uint32_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < count; ++c)
            *out++ = quantize(channels[c][i]);
}

} // namespace

CWaveOutDriver::CWaveOutDriver(CStudioOptions& options) : options(options)
{
    deviceCount = static_cast<int32_t>(platform::WaveOutGetNumDevs());
    devices.resize(static_cast<size_t>(deviceCount));
    for (int32_t i = 0; i < deviceCount; ++i)
        platform::WaveOutGetDevCaps(static_cast<uint32_t>(i), &devices[static_cast<size_t>(i)]);
    if (options.outputDriver == 1) {
        // A stored device that is no longer there falls back to the first.
        device = options.waveOutDevice >= 0 && options.waveOutDevice < deviceCount ? options.waveOutDevice : 0;
        bufferSize = StoredBufferSize(options.waveOutBufferSize, kMinimumBufferSize, kMaximumBufferSize, 8192);
    } else {
        device = 0;
        bufferSize = 8192;
    }
    options.waveOutBufferSize = bufferSize;
    format = static_cast<FormatMask>(options.waveOutFormat);
    if (deviceCount < 1) {
        device = -1;
    } else {
        format = NearestFormat(format);
        ApplyFormat();
    }
    frames = static_cast<uint32_t>(bufferSize);
}

CWaveOutDriver::~CWaveOutDriver()
{
    // The manager stops a driver first; anyone else may not have.
    CloseDevice();
}

const char* CWaveOutDriver::GetDeviceName(int32_t index) const
{
    return index >= 0 && index < deviceCount ? devices[static_cast<size_t>(index)].name.c_str() : nullptr;
}

FormatMask CWaveOutDriver::GetDeviceFormats(int32_t index) const
{
    return index >= 0 && index < deviceCount ? devices[static_cast<size_t>(index)].formats : 0;
}

void CWaveOutDriver::SetDevice(int32_t index)
{
    device = index;
    options.waveOutDevice = index;
}

void CWaveOutDriver::SetFormat(FormatMask mask)
{
    DecodeFormat(mask);
    format = mask;
    options.waveOutFormat = static_cast<int32_t>(mask);
}

FormatMask CWaveOutDriver::NearestFormat(FormatMask mask) const
{
    return ::NearestFormat(mask, GetDeviceFormats(device));
}

void CWaveOutDriver::SetBufferSize(int32_t size)
{
    bufferSize = ClampedBufferSize(size, kMinimumBufferSize, kMaximumBufferSize);
    options.waveOutBufferSize = bufferSize;
}

void CWaveOutDriver::SetCallback(RenderCallback newCallback)
{
    callback.store(newCallback ? newCallback : SilenceCallback, std::memory_order_release);
}

void CWaveOutDriver::ApplyFormat()
{
    AudioFormat decoded = DecodeFormat(format);
    sampleRate = decoded.sampleRate;
    bits = decoded.bits;
    stereo = decoded.stereo;
}

void CWaveOutDriver::Start()
{
    frames = static_cast<uint32_t>(bufferSize);
    CLockGuard lock(*this);
    if (device < 0 || handle)
        return;
    platform::WaveFormat waveFormat{};
    waveFormat.channels = stereo ? 2 : 1;
    waveFormat.samplesPerSec = static_cast<uint32_t>(sampleRate);
    waveFormat.bitsPerSample = static_cast<uint16_t>(bits);
    waveFormat.blockAlign = static_cast<uint16_t>(waveFormat.channels * bits / 8);
    waveFormat.avgBytesPerSec = waveFormat.samplesPerSec * waveFormat.blockAlign;
    uint32_t result = platform::WaveOutOpen(&handle, static_cast<uint32_t>(device), waveFormat, Completion, this);
    if (result != platform::WAVE_NOERROR) {
        handle = nullptr;
        Trace("WaveOut: <%s> %s", GetDeviceName(device) ? GetDeviceName(device) : "?", platform::WaveOutErrorDetail());
        Show("WaveOut: waveOutOpen Failed <Error Code 0x%x>", result);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        blocks[i].assign(frames * BytesPerFrame(), 0);
        headers[i] = platform::WaveHeader{};
        headers[i].data = blocks[i].data();
        headers[i].bufferLength = static_cast<uint32_t>(blocks[i].size());
        headers[i].loops = 1;
        result = platform::WaveOutPrepareHeader(handle, &headers[i]);
        if (result != platform::WAVE_NOERROR) {
            ReleaseBlocks();
            Raise("WaveOut: waveOutPrepareHeader Failed <Error Code: 0x%x>", result);
        }
        channelBuffers[i].assign(frames, 0.0);
        channelPointers[i] = channelBuffers[i].data();
    }
    writeFailureShown = false;
    underrunsCounted = 0;
    Refill(0);
    Refill(1);
    started = true;
}

void CWaveOutDriver::Refill(int block)
{
    const int32_t channels = stereo ? 2 : 1;
    callback.load(std::memory_order_acquire)(channels, channelPointers, static_cast<int32_t>(frames));
    char* out = blocks[block].data();
    if (bits == 16)
        Interleave(reinterpret_cast<int16_t*>(out), channelPointers, channels, frames, QuantizeTo16);
    else
        Interleave(reinterpret_cast<uint8_t*>(out), channelPointers, channels, frames, QuantizeTo8);
    uint32_t result = platform::WaveOutWrite(handle, &headers[block]);
    const uint64_t underruns = platform::WaveOutGetUnderruns(handle);
    if (underruns > underrunsCounted) {
        CountXruns(static_cast<int64_t>(underruns - underrunsCounted));
        underrunsCounted = underruns;
    }
    // The device went away while playing: the blocks stop circulating, and
    // the owner is told once (it stops this output from another thread).
    if (result != platform::WAVE_NOERROR && !writeFailureShown) {
        writeFailureShown = true;
        ReportFailure(FormatText("WaveOut: waveOutWrite Failed <Error Code 0x%x>", result).c_str());
    }
}

void CWaveOutDriver::Completion(platform::HWaveOut, uint32_t message, void* instance, platform::WaveHeader* header)
{
    if (message != platform::WOM_DONE)
        return;
    auto* driver = static_cast<CWaveOutDriver*>(instance);
    CLockGuard lock(*driver);
    if (!driver->started)
        return;
    driver->Refill(header == &driver->headers[0] ? 0 : 1);
}

void CWaveOutDriver::ReleaseBlocks()
{
    for (int i = 0; i < 2; ++i) {
        if (!blocks[i].empty())
            platform::WaveOutUnprepareHeader(handle, &headers[i]);
        blocks[i].clear();
        blocks[i].shrink_to_fit();
    }
    platform::WaveOutClose(handle);
    handle = nullptr;
}

void CWaveOutDriver::CloseDevice()
{
    Lock();
    started = false;
    Unlock();
    // Blocks returned by the reset find `started` clear.
    if (handle) {
        platform::WaveOutReset(handle);
        ReleaseBlocks();
    }
}

void CWaveOutDriver::Stop()
{
    CloseDevice();
    if (device >= 0)
        ApplyFormat();
    frames = static_cast<uint32_t>(bufferSize);
}
