#include "machines/CHDTrack.h"
#include "framework/CHost.h"
#include "framework/Errors.h"
#include "machines/CHDDiskWriter.h"
#include "machines/CHDTrackList.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// About 12 s of stereo float at 44.1 kHz between the render thread and the
// disk: room for a disk that stalls now and then.
constexpr size_t kRingBytes = size_t(1) << 22;

void RaiseMax(std::atomic<double>& peak, double value)
{
    double seen = peak.load(std::memory_order_relaxed);
    while (value > seen && !peak.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
    }
}
} // namespace

CHDTrack::CHDTrack(CHDTrackList* list, CHost* host, bool stereo) : list(list), host(host), stereo(stereo) {}

CHDTrack::~CHDTrack()
{
    if (current)
        current->RequestEnd(CHDRecording::END_USER, host->GetSampleRate());
}

int64_t CHDTrack::FrameLimit()
{
    int64_t align = (format == FORMAT_PCM16 ? 2 : 4) * (stereo ? 2 : 1);
    return static_cast<int64_t>(dataLimit) / align;
}

bool CHDTrack::Open()
{
    if (!IsLocked())
        Raise("HD Track Not Locked On Open");
    if (recording.load())
        Close();
    seconds.store(0.0);
    if (path.empty())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    // Room for the header, written when the recording is closed.
    static const uint8_t zeros[44] = {};
    if (std::fwrite(zeros, 1, sizeof zeros, file) != sizeof zeros) {
        std::fclose(file);
        return false;
    }
    current = std::make_shared<CHDRecording>(file, path, stereo ? 2 : 1, format, host->GetSampleRate(), kRingBytes);
    list->Writer().Add(current, shared_from_this());
    frames.store(0);
    recording.store(true, std::memory_order_release);
    return true;
}

void CHDTrack::Write(double* left, double* right, int32_t count)
{
    if (!IsLocked())
        Raise("HD Track Not Locked On Write");
    const double gain = volume.load(std::memory_order_relaxed);
    double peakL = 0.0;
    double peakR = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        left[i] *= gain;
        peakL = std::max(peakL, std::fabs(left[i]));
    }
    if (right) {
        for (int32_t i = 0; i < count; ++i) {
            right[i] *= gain;
            peakR = std::max(peakR, std::fabs(right[i]));
        }
    } else {
        peakR = peakL;
    }
    RaiseMax(peakLeft, peakL);
    RaiseMax(peakRight, peakR);
    if (!recording.load(std::memory_order_relaxed) || count <= 0)
        return;

    int64_t done = frames.load(std::memory_order_relaxed);
    int64_t room = FrameLimit() - done;
    int32_t take = static_cast<int32_t>(std::min<int64_t>(count, room));
    if (!current->PutFrames(left, right, take)) {
        EndRecording(CHDRecording::END_OVERRUN);
        return;
    }
    done += take;
    frames.store(done, std::memory_order_relaxed);
    seconds.store(static_cast<double>(done) / host->GetSampleRate(), std::memory_order_relaxed);
    if (take < count || done >= FrameLimit())
        EndRecording(CHDRecording::END_LIMIT);
}

// Render thread or main thread, track locked: no waiting here, the disk
// thread notices the end at its next pass.
void CHDTrack::EndRecording(int32_t reason)
{
    recording.store(false, std::memory_order_release);
    current->RequestEnd(static_cast<CHDRecording::End>(reason), host->GetSampleRate());
    current.reset();
}

void CHDTrack::Close()
{
    if (!IsLocked())
        Raise("HD Track Not Locked On Close");
    if (recording.load() && current) {
        EndRecording(CHDRecording::END_USER);
        list->Writer().Wake();
    }
    recording.store(false, std::memory_order_release);
}

void CHDTrack::RecordingFailed(const CHDRecording* failed)
{
    CLockGuard<CMutex> lock(*this);
    if (current.get() == failed) {
        recording.store(false, std::memory_order_release);
        current.reset();
    }
}

void CHDTrack::SetFile(const std::string& newPath, int32_t newFormat)
{
    CLockGuard<CMutex> lock(*this);
    Close();
    path = newPath.substr(0, kMaxPath - 1);
    format = newFormat == FORMAT_PCM16 ? FORMAT_PCM16 : FORMAT_FLOAT;
}

std::string CHDTrack::GetPath()
{
    CLockGuard<CMutex> lock(*this);
    return path;
}

int32_t CHDTrack::GetFormat()
{
    CLockGuard<CMutex> lock(*this);
    return format;
}

std::string CHDTrack::FileLabel()
{
    return FormatText("File: '%s'", GetPath().c_str());
}

void CHDTrack::SetMachineName(const char* name)
{
    CLockGuard<CMutex> lock(*this);
    machineName = name ? name : "";
}

std::string CHDTrack::NameLabel()
{
    CLockGuard<CMutex> lock(*this);
    return machineName.empty() ? std::string("Track:") : FormatText("Name: %s", machineName.c_str());
}

std::string CHDTrack::MachineName()
{
    CLockGuard<CMutex> lock(*this);
    return machineName;
}

void CHDTrack::TakePeaks(double* left, double* right)
{
    *left = peakLeft.exchange(0.0, std::memory_order_relaxed);
    *right = peakRight.exchange(0.0, std::memory_order_relaxed);
}
