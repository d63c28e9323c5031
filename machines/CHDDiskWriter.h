#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CHDTrack;

// One recording's file and the byte ring between the render thread (the
// only writer of the ring) and the disk thread (its only reader). The
// render thread never waits: it copies into the ring or, when the disk has
// fallen a whole ring behind, gives up the recording.
class CHDRecording {
public:
    CHDRecording(std::FILE* file, std::string path, int32_t channels, int32_t format, int32_t sampleRate,
                 size_t ringBytes);
    ~CHDRecording();
    CHDRecording(const CHDRecording&) = delete;
    CHDRecording& operator=(const CHDRecording&) = delete;

    // Render thread: room for `bytes` more, and the place to put them.
    size_t Free() const;
    void Put(const void* bytes, size_t count);
    // Render thread: convert planar doubles straight into the ring.
    bool PutFrames(const double* left, const double* right, int32_t frames);

    // Why the recording ends, set once by whoever ends it.
    enum End : int32_t { END_NONE, END_USER, END_LIMIT, END_OVERRUN };
    void RequestEnd(End reason, int32_t sampleRate);

    const std::string& Path() const { return path; }
    int32_t BlockAlign() const { return (format == 3 ? 4 : 2) * channels; }

private:
    friend class CHDDiskWriter;
    // Disk thread: write what the ring holds; false on a write error.
    bool Drain();
    // Disk thread: the header for what reached the file, and close it.
    bool Finish();

    std::FILE* file;
    std::string path;
    int32_t channels;
    int32_t format;
    std::vector<uint8_t> ring;
    std::atomic<uint64_t> written{0}; // bytes put, by the render thread
    std::atomic<uint64_t> drained{0}; // bytes taken, by the disk thread
    uint64_t onDisk = 0;              // bytes that reached the file
    std::atomic<int32_t> end{END_NONE};
    std::atomic<int32_t> closeRate{0};
    std::string error;
};

// The one thread that moves recorded blocks to disk and closes finished
// recordings with a valid header. Destroying it finishes every recording
// first, so nothing recorded is lost at shutdown.
class CHDDiskWriter {
public:
    using MessageHandler = void (*)(const char* text);

    CHDDiskWriter();
    ~CHDDiskWriter();
    CHDDiskWriter(const CHDDiskWriter&) = delete;
    CHDDiskWriter& operator=(const CHDDiskWriter&) = delete;

    void Add(const std::shared_ptr<CHDRecording>& recording, const std::shared_ptr<CHDTrack>& track);
    // Wakes the thread (after a recording was asked to end).
    void Wake();
    // Returns once every ended recording is closed and the rings are empty.
    void Flush();
    // Where failures are told (by default the error box).
    void SetMessageHandler(MessageHandler handler) { messages.store(handler); }

    // Stand-in for a slow disk in tests and benchmarks: each write waits.
    void SetWriteDelayMs(int milliseconds) { writeDelayMs.store(milliseconds); }

private:
    struct Entry {
        std::shared_ptr<CHDRecording> recording;
        std::weak_ptr<CHDTrack> track;
    };
    void Run();
    bool Cycle();
    void Tell(const std::string& text);

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::vector<Entry> entries;
    bool stopping = false;
    bool busy = false;
    uint64_t wakeCount = 0;
    std::atomic<MessageHandler> messages{nullptr};
    std::atomic<int> writeDelayMs{0};
    std::thread thread;
};
