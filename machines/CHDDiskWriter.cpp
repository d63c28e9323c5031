#include "machines/CHDDiskWriter.h"
#include "framework/Errors.h"
#include "machines/CHDTrack.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace {
int16_t Quantize16(double x)
{
    if (x != x)
        return 0;
    if (x <= -1.0)
        return -32768;
    if (x < 0.0)
        return static_cast<int16_t>(x * 32768.0);
    if (x < 1.0)
        return static_cast<int16_t>(x * 32767.0);
    return 32767;
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, static_cast<uint16_t>(v));
    Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
} // namespace

CHDRecording::CHDRecording(std::FILE* file, std::string path, int32_t channels, int32_t format, int32_t sampleRate,
                           size_t ringBytes)
    : file(file), path(std::move(path)), channels(channels), format(format), ring(ringBytes), closeRate(sampleRate)
{
    // Unbuffered: the ring is the buffer, and a failed write then says
    // exactly how much reached the file.
    std::setvbuf(file, nullptr, _IONBF, 0);
}

CHDRecording::~CHDRecording()
{
    if (file)
        std::fclose(file);
}

size_t CHDRecording::Free() const
{
    return ring.size() - static_cast<size_t>(written.load(std::memory_order_relaxed) -
                                             drained.load(std::memory_order_acquire));
}

void CHDRecording::Put(const void* bytes, size_t count)
{
    uint64_t at = written.load(std::memory_order_relaxed);
    size_t start = static_cast<size_t>(at % ring.size());
    size_t first = std::min(count, ring.size() - start);
    std::memcpy(ring.data() + start, bytes, first);
    std::memcpy(ring.data(), static_cast<const uint8_t*>(bytes) + first, count - first);
    written.store(at + count, std::memory_order_release);
}

bool CHDRecording::PutFrames(const double* left, const double* right, int32_t frames)
{
    const size_t frameBytes = static_cast<size_t>(BlockAlign());
    if (static_cast<size_t>(frames) * frameBytes > Free())
        return false;
    // Converted sample by sample into the ring, in the file's own format.
    uint8_t sample[8];
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < channels; ++c) {
            double x = c == 0 ? left[i] : right[i];
            if (format == CHDTrack::FORMAT_PCM16) {
                Put16(sample, static_cast<uint16_t>(Quantize16(x)));
            } else {
                float f = static_cast<float>(x);
                std::memcpy(sample, &f, 4);
            }
            Put(sample, format == CHDTrack::FORMAT_PCM16 ? 2 : 4);
        }
    }
    return true;
}

void CHDRecording::RequestEnd(End reason, int32_t sampleRate)
{
    int32_t none = END_NONE;
    if (end.compare_exchange_strong(none, reason))
        closeRate.store(sampleRate);
}

bool CHDRecording::Drain()
{
    uint64_t from = drained.load(std::memory_order_relaxed);
    uint64_t to = written.load(std::memory_order_acquire);
    while (from < to) {
        size_t start = static_cast<size_t>(from % ring.size());
        size_t count = static_cast<size_t>(std::min<uint64_t>(to - from, ring.size() - start));
        size_t put = std::fwrite(ring.data() + start, 1, count, file);
        onDisk += put;
        from += count;
        drained.store(from, std::memory_order_release);
        if (put != count) {
            error = std::strerror(errno);
            return false;
        }
    }
    if (std::fflush(file) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool CHDRecording::Finish()
{
    // Only whole frames that reached the file count.
    uint32_t dataSize = static_cast<uint32_t>(onDisk - onDisk % static_cast<uint64_t>(BlockAlign()));
    uint32_t rate = static_cast<uint32_t>(std::max(closeRate.load(), 1));
    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    Put32(header + 4, 36 + dataSize);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    Put32(header + 16, 16);
    Put16(header + 20, static_cast<uint16_t>(format));
    Put16(header + 22, static_cast<uint16_t>(channels));
    Put32(header + 24, rate);
    Put32(header + 28, static_cast<uint32_t>(BlockAlign()) * rate);
    Put16(header + 32, static_cast<uint16_t>(BlockAlign()));
    Put16(header + 34, static_cast<uint16_t>(format == CHDTrack::FORMAT_PCM16 ? 16 : 32));
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, dataSize);
    bool good = std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, sizeof header, file) == sizeof header;
    if (!good && error.empty())
        error = std::strerror(errno);
    // A partial last frame after a failed write is cut off.
    if (std::fflush(file) != 0)
        good = false;
    if (std::fclose(file) != 0)
        good = false;
    file = nullptr;
    if (onDisk != dataSize) {
        std::error_code failure;
        std::filesystem::resize_file(path, 44 + static_cast<uintmax_t>(dataSize), failure);
        good = good && !failure;
    }
    return good;
}

CHDDiskWriter::CHDDiskWriter() : thread([this] { Run(); }) {}

CHDDiskWriter::~CHDDiskWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Entry& entry : entries)
            entry.recording->RequestEnd(CHDRecording::END_USER, entry.recording->closeRate.load());
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void CHDDiskWriter::Add(const std::shared_ptr<CHDRecording>& recording, const std::shared_ptr<CHDTrack>& track)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        entries.push_back({recording, track});
    }
    wake.notify_all();
}

void CHDDiskWriter::Wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++wakeCount;
    }
    wake.notify_all();
}

void CHDDiskWriter::Flush()
{
    std::unique_lock<std::mutex> lock(mutex);
    ++wakeCount;
    wake.notify_all();
    idle.wait(lock, [&] {
        if (busy)
            return false;
        for (const Entry& entry : entries) {
            const CHDRecording& r = *entry.recording;
            if (r.end.load() != CHDRecording::END_NONE ||
                r.written.load(std::memory_order_acquire) != r.drained.load(std::memory_order_acquire))
                return false;
        }
        return true;
    });
}

void CHDDiskWriter::Tell(const std::string& text)
{
    Trace("%s", text.c_str());
    if (MessageHandler handler = messages.load())
        handler(text.c_str());
    else
        Show("%s", text.c_str());
}

void CHDDiskWriter::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        uint64_t seen = wakeCount;
        busy = true;
        bool last = stopping;
        lock.unlock();
        Cycle();
        lock.lock();
        busy = false;
        idle.notify_all();
        if (last && entries.empty())
            return;
        if (last)
            continue;
        // Polled: the render thread never signals, it only fills rings.
        wake.wait_for(lock, std::chrono::milliseconds(10), [&] { return stopping || wakeCount != seen; });
    }
}

// One pass over the recordings: drain every ring, close the ended ones.
bool CHDDiskWriter::Cycle()
{
    std::vector<Entry> work;
    {
        std::lock_guard<std::mutex> lock(mutex);
        work = entries;
    }
    std::vector<const CHDRecording*> finished;
    for (Entry& entry : work) {
        CHDRecording& recording = *entry.recording;
        for (int waited = 0; waited < writeDelayMs.load(); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The end is read before draining, so the last block put before it
        // is in the ring and reaches the file.
        int32_t end = recording.end.load(std::memory_order_acquire);
        bool failed = !recording.Drain();
        if (!failed && end == CHDRecording::END_NONE)
            continue;
        std::shared_ptr<CHDTrack> track = entry.track.lock();
        if (failed && track)
            track->RecordingFailed(&recording);
        if (failed && end == CHDRecording::END_NONE)
            recording.RequestEnd(CHDRecording::END_USER, recording.closeRate.load());
        bool closed = recording.Finish();
        std::string name = track ? track->MachineName() : std::string();
        if (failed || !closed) {
            Tell(FormatText("HD Track '%s': Writing <%s> Failed (%s), Recording Stopped And File Closed",
                            name.c_str(), recording.Path().c_str(), recording.error.c_str()));
        } else if (end == CHDRecording::END_LIMIT) {
            Tell(FormatText("HD Track '%s': Recording <%s> Reached The 4 GiB Limit Of A WAV File And Was Closed",
                            name.c_str(), recording.Path().c_str()));
        } else if (end == CHDRecording::END_OVERRUN) {
            Tell(FormatText("HD Track '%s': The Disk Could Not Keep Up With <%s>, Recording Stopped And File Closed",
                            name.c_str(), recording.Path().c_str()));
        }
        finished.push_back(&recording);
    }
    if (!finished.empty()) {
        std::lock_guard<std::mutex> lock(mutex);
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const Entry& e) {
                                         return std::find(finished.begin(), finished.end(), e.recording.get()) !=
                                                finished.end();
                                     }),
                      entries.end());
    }
    return true;
}
