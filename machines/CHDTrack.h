#pragma once
#include "framework/CMutex.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CHDRecording;
class CHDTrackList;
class CHost;

// One recording point of the HD recorder: the file it records to, its
// format, volume, peaks and recorded time. Open, Write and Close need the
// track's lock; the file itself is written by the list's disk thread.
class CHDTrack : public CMutex, public std::enable_shared_from_this<CHDTrack> {
public:
    enum Format : int32_t { FORMAT_PCM16 = 1, FORMAT_FLOAT = 3 };
    static constexpr size_t kMaxPath = 1024;

    CHDTrack(CHDTrackList* list, CHost* host, bool stereo);
    ~CHDTrack() override;

    // Starts a recording at the path (closing a running one); false and
    // nothing recorded when the file cannot be created.
    bool Open();
    // Scales the block by the volume in place, takes its peaks and, while
    // recording, hands it to the disk thread. `right` is null for mono.
    void Write(double* left, double* right, int32_t frames);
    // Ends a running recording; the disk thread completes its file.
    void Close();

    // A new file and format: a running recording is closed, none started.
    void SetFile(const std::string& path, int32_t format);
    std::string GetPath();
    int32_t GetFormat();
    std::string FileLabel();
    void SetMachineName(const char* name);
    std::string NameLabel();
    std::string MachineName();

    void SetVolume(double value) { volume.store(value, std::memory_order_relaxed); }
    double GetVolume() const { return volume.load(std::memory_order_relaxed); }
    bool IsRecording() const { return recording.load(std::memory_order_acquire); }
    bool IsStereo() const { return stereo; }
    double GetSeconds() const { return seconds.load(std::memory_order_relaxed); }
    int64_t GetFrames() const { return frames.load(std::memory_order_relaxed); }
    // The largest magnitudes since the last call, per channel.
    void TakePeaks(double* left, double* right);

    // The most frames one WAV file of this track can hold.
    int64_t FrameLimit();
    // Lowers the data limit of a WAV file (4 GiB less its header) so that
    // tests reach it without writing gigabytes.
    void SetDataLimit(uint64_t bytes) { dataLimit = bytes; }

private:
    friend class CHDDiskWriter;
    // The disk thread gave up this recording (write error).
    void RecordingFailed(const CHDRecording* failed);
    void EndRecording(int32_t reason);

    CHDTrackList* list;
    CHost* host;
    const bool stereo;
    std::string path;
    std::string machineName;
    int32_t format = FORMAT_FLOAT;
    std::atomic<double> volume{1.0};
    std::atomic<bool> recording{false};
    std::atomic<double> seconds{0.0};
    std::atomic<int64_t> frames{0};
    std::atomic<double> peakLeft{0.0};
    std::atomic<double> peakRight{0.0};
    std::shared_ptr<CHDRecording> current;
    uint64_t dataLimit = 0xffffffffull - 36;
};
