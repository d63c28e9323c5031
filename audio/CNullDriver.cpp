#include "audio/CNullDriver.h"
#include "audio/CStudioOptions.h"
#include "audio/BufferSize.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"

CNullDriver::CNullDriver(CStudioOptions& options) : options(options)
{
    bufferSize = options.outputDriver != 0
                     ? 2048
                     : StoredBufferSize(options.nullBufferSize, kMinimumBufferSize, kMaximumBufferSize, 2048);
    options.nullBufferSize = bufferSize;
    format = NearestFormat(static_cast<FormatMask>(options.nullFormat));
    ApplyFormat();
    frames = static_cast<uint32_t>(bufferSize);
}

CNullDriver::~CNullDriver()
{
    Terminate();
    FreeBuffers();
}

void CNullDriver::ApplyFormat()
{
    AudioFormat decoded = DecodeFormat(format);
    sampleRate = decoded.sampleRate;
    bits = static_cast<uint32_t>(decoded.bits);
    stereo = decoded.stereo;
}

void CNullDriver::FreeBuffers()
{
    for (double*& buffer : buffers) {
        delete[] buffer;
        buffer = nullptr;
    }
}

void CNullDriver::SetCallback(RenderCallback newCallback)
{
    callback.store(newCallback ? newCallback : SilenceCallback, std::memory_order_release);
}

void CNullDriver::SetFormat(FormatMask mask)
{
    DecodeFormat(mask);
    format = mask;
    options.nullFormat = static_cast<int32_t>(mask);
}

void CNullDriver::SetBufferSize(int32_t size)
{
    bufferSize = ClampedBufferSize(size, kMinimumBufferSize, kMaximumBufferSize);
    options.nullBufferSize = bufferSize;
}

void CNullDriver::Start()
{
    Lock();
    FreeBuffers();
    for (double*& buffer : buffers)
        buffer = new double[frames]();
    started = true;
    cycleStart = platform::GetTickCount();
    Unlock();
    Resume();
}

void CNullDriver::Stop()
{
    Lock();
    started = false;
    Unlock();
    ApplyFormat();
    frames = static_cast<uint32_t>(bufferSize);
}

void CNullDriver::Process()
{
    if (!started) {
        platform::SleepMilliseconds(100);
        return;
    }
    // The period of the block being rendered: a size chosen meanwhile only
    // applies after the next Stop, and so does its period.
    const uint32_t period = frames * 1000u / static_cast<uint32_t>(sampleRate);
    cycleStart = platform::GetTickCount();
    callback.load(std::memory_order_acquire)(stereo ? 2 : 1, buffers, static_cast<int32_t>(frames));
    const uint32_t elapsed = platform::GetTickCount() - cycleStart;
    if (elapsed <= period)
        platform::SleepMilliseconds(static_cast<int>(period - elapsed));
}
