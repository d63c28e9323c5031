#include "platform/OsWaveOut.h"
#include "platform/OsThread.h"
#include <algorithm>
#include <alsa/asoundlib.h>
#include <csignal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kRates[] = {11025, 22050, 44100, 48000, 96000};
// Ring buffer of the device: short, so that the latency is the driver's
// two blocks and little more.
constexpr unsigned kRingMicroseconds = 100000;
constexpr unsigned kPeriodMicroseconds = 25000;
// How long the feeder waits for room before it looks for a reset again.
constexpr int kWaitMilliseconds = 10;

thread_local std::string errorDetail;

void SetDetail(const std::string& text)
{
    errorDetail = text;
}

void SetAlsaDetail(const char* what, int error)
{
    SetDetail(std::string(what) + ": " + snd_strerror(error));
}

// ALSA prints its own complaints on standard error (a missing card, an
// unknown device); they become the detail of the failure instead.
void AlsaErrorHandler(const char* file, int line, const char* function, int error, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SetDetail(text);
}

void Quiet(const char*) {}

// Probing lists every device, sound servers among them. No probe may start
// a server, and the JACK library's own messages about a missing server are
// no concern of the user's: it is loaded now (when installed) so that its
// messages go nowhere from the first probe on.
void QuietSoundServers()
{
    setenv("JACK_NO_START_SERVER", "1", 0);
    if (void* jack = dlopen("libjack.so.0", RTLD_NOW | RTLD_LOCAL)) {
        using SetHandler = void (*)(void (*)(const char*));
        for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
            if (auto set = reinterpret_cast<SetHandler>(dlsym(jack, name)))
                set(Quiet);
        }
        // Stays loaded: its handlers must outlive every probe.
    }
}

struct SampleType {
    snd_pcm_format_t format;
    unsigned channels;
    uint32_t bit; // within a rate's nibble
};

constexpr SampleType kTypes[] = {
    {SND_PCM_FORMAT_U8, 1, 1},
    {SND_PCM_FORMAT_U8, 2, 2},
    {SND_PCM_FORMAT_S16_LE, 1, 4},
    {SND_PCM_FORMAT_S16_LE, 2, 8},
};

bool Accepts(snd_pcm_t* pcm, const snd_pcm_hw_params_t* any, snd_pcm_format_t format, unsigned channels, unsigned rate)
{
    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    snd_pcm_hw_params_copy(params, any);
    return snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
           snd_pcm_hw_params_set_format(pcm, params, format) == 0 &&
           snd_pcm_hw_params_set_channels(pcm, params, channels) == 0 &&
           snd_pcm_hw_params_set_rate(pcm, params, rate, 0) == 0;
}

uint32_t ProbeFormats(const std::string& name)
{
    snd_pcm_t* pcm;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return 0;
    uint32_t formats = 0;
    snd_pcm_hw_params_t* any;
    snd_pcm_hw_params_alloca(&any);
    if (snd_pcm_hw_params_any(pcm, any) >= 0) {
        for (unsigned r = 0; r < std::size(kRates); ++r) {
            for (const SampleType& type : kTypes) {
                if (Accepts(pcm, any, type.format, type.channels, kRates[r]))
                    formats |= type.bit << (4 * r);
            }
        }
    }
    snd_pcm_close(pcm);
    return formats;
}

std::string FirstLine(const char* text)
{
    std::string line = text ? text : "";
    size_t end = line.find('\n');
    return end == std::string::npos ? line : line.substr(0, end);
}

std::vector<WaveOutCaps> ListDevices()
{
    QuietSoundServers();
    std::vector<WaveOutCaps> devices;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0)
        return devices;
    for (void** hint = hints; *hint; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* description = snd_device_name_get_hint(*hint, "DESC");
        char* direction = snd_device_name_get_hint(*hint, "IOID");
        // No direction means both.
        bool playback = !direction || std::string(direction) == "Output";
        if (name && playback) {
            WaveOutCaps caps;
            caps.name = name;
            caps.description = FirstLine(description);
            caps.formats = ProbeFormats(caps.name);
            if (caps.formats != 0)
                devices.push_back(std::move(caps));
        }
        std::free(name);
        std::free(description);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    // ALSA lists "null" first on most systems: a fresh installation plays
    // device 0, which should be the system's own choice, never the silent one.
    std::stable_partition(devices.begin(), devices.end(), [](const WaveOutCaps& caps) { return caps.name == "default"; });
    std::stable_partition(devices.begin(), devices.end(), [](const WaveOutCaps& caps) { return caps.name != "null"; });
    return devices;
}

const std::vector<WaveOutCaps>& Devices()
{
    static const std::vector<WaveOutCaps> devices = [] {
        snd_lib_error_set_handler(AlsaErrorHandler);
        return ListDevices();
    }();
    return devices;
}

} // namespace

// One open device: the PCM and the feeder thread that plays its queue.
// Every PCM call after opening happens on the feeder thread.
class WaveOutDevice {
public:
    WaveOutDevice(snd_pcm_t* pcm, const WaveFormat& format, snd_pcm_uframes_t ring, WaveOutProc callback, void* instance)
        : pcm(pcm), frameBytes(format.blockAlign), rate(format.samplesPerSec), ring(ring), callback(callback),
          instance(instance)
    {
        feeder = std::thread(&WaveOutDevice::Feed, this);
    }

    ~WaveOutDevice()
    {
        {
            std::lock_guard lock(mutex);
            closing = true;
        }
        wake.notify_all();
        feeder.join();
        snd_pcm_close(pcm);
    }

    uint32_t Write(WaveHeader* header)
    {
        std::lock_guard lock(mutex);
        if (failed)
            return WAVE_NODRIVER;
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        header->next = nullptr;
        *tail = header;
        tail = &header->next;
        wake.notify_all();
        return WAVE_NOERROR;
    }

    void Reset()
    {
        std::unique_lock lock(mutex);
        ++resetsAsked;
        wake.notify_all();
        resetDone.wait(lock, [&] { return resetsDone == resetsAsked; });
    }

    bool HasQueue()
    {
        std::lock_guard lock(mutex);
        return queue != nullptr;
    }

    void Notify(uint32_t message, WaveHeader* header) { callback(this, message, instance, header); }
    uint64_t Underruns() const { return underruns.load(std::memory_order_relaxed); }

private:
    bool ResetPending() const { return resetsDone != resetsAsked; }

    void Feed()
    {
        SetCurrentThreadPriority(1);
        // A device that writes into a pipe (a file PCM) whose reader went
        // away fails its write; the signal must not end the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return closing || ResetPending() || (queue && !failed); });
            if (closing)
                return;
            if (ResetPending()) {
                ReturnQueue(lock);
                continue;
            }
            WaveHeader* header = queue;
            lock.unlock();
            bool played = Play(header);
            lock.lock();
            if (!played)
                continue; // a reset came meanwhile: the block goes back with the queue
            queue = header->next;
            if (!queue)
                tail = &queue;
            header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
            lock.unlock();
            Notify(WOM_DONE, header);
            lock.lock();
        }
    }

    // Writes one block; false when a reset or close asked to stop first.
    bool Play(WaveHeader* header)
    {
        const char* data = header->data;
        snd_pcm_uframes_t left = header->bufferLength / frameBytes;
        while (left > 0) {
            if (Interrupted())
                return false;
            snd_pcm_sframes_t written = snd_pcm_writei(pcm, data, left);
            if (written == -EAGAIN) {
                snd_pcm_wait(pcm, kWaitMilliseconds);
                continue;
            }
            if (written < 0) {
                if (written == -EPIPE)
                    underruns.fetch_add(1, std::memory_order_relaxed);
                // An underrun or a suspend is recovered; anything else means
                // the device is gone. The block still counts as played, so
                // the caller's buffers come back and later writes fail.
                if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) {
                    std::lock_guard lock(mutex);
                    failed = true;
                    return true;
                }
                continue;
            }
            data += static_cast<size_t>(written) * frameBytes;
            left -= static_cast<snd_pcm_uframes_t>(written);
        }
        return KeepTime(header->bufferLength / frameBytes);
    }

    // A device that swallows blocks at once (null, file) keeps no time of
    // its own; the clock then paces it as if it played them, with its ring
    // ahead, so that it runs in real time like a sound card. A device with
    // samples still pending after a write keeps time itself.
    bool KeepTime(snd_pcm_uframes_t frames)
    {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm, &delay) == 0 && delay > 0) {
            paced = false;
            return true;
        }
        Clock::time_point now = Clock::now();
        if (!paced) {
            paced = true;
            clockStart = now;
            clockFrames = 0;
        }
        clockFrames += frames;
        auto due = [&](uint64_t at) {
            int64_t ahead = static_cast<int64_t>(at) - static_cast<int64_t>(ring);
            return clockStart + std::chrono::microseconds(ahead * 1000000 / static_cast<int64_t>(rate));
        };
        Clock::time_point until = due(clockFrames);
        // Fell behind by more than the ring: start over instead of
        // rushing through the backlog.
        if (now > due(clockFrames + ring)) {
            clockStart = now;
            clockFrames = 0;
            return true;
        }
        std::unique_lock lock(mutex);
        return !wake.wait_until(lock, until, [&] { return closing || ResetPending(); });
    }

    bool Interrupted()
    {
        std::lock_guard lock(mutex);
        return closing || ResetPending();
    }

    // Drops what the device still holds and hands every queued block back.
    void ReturnQueue(std::unique_lock<std::mutex>& lock)
    {
        const uint64_t asked = resetsAsked;
        WaveHeader* returned = queue;
        queue = nullptr;
        tail = &queue;
        lock.unlock();
        snd_pcm_drop(pcm);
        snd_pcm_prepare(pcm);
        paced = false;
        while (returned) {
            WaveHeader* header = returned;
            returned = header->next;
            header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
            Notify(WOM_DONE, header);
        }
        lock.lock();
        resetsDone = asked;
        resetDone.notify_all();
    }

    snd_pcm_t* pcm;
    const uint32_t frameBytes;
    const uint32_t rate;
    const snd_pcm_uframes_t ring;
    const WaveOutProc callback;
    void* const instance;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable resetDone;
    WaveHeader* queue = nullptr;
    WaveHeader** tail = &queue;
    uint64_t resetsAsked = 0;
    uint64_t resetsDone = 0;
    bool closing = false;
    bool failed = false;
    std::atomic<uint64_t> underruns{0};

    // Feeder thread only.
    bool paced = false;
    Clock::time_point clockStart;
    uint64_t clockFrames = 0;

    std::thread feeder;
};

namespace {

uint32_t Configure(snd_pcm_t* pcm, const WaveFormat& format, snd_pcm_uframes_t* ring)
{
    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    snd_pcm_format_t sampleFormat = format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    int error = snd_pcm_hw_params_any(pcm, params);
    if (error >= 0 && ((error = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
                       (error = snd_pcm_hw_params_set_format(pcm, params, sampleFormat)) < 0 ||
                       (error = snd_pcm_hw_params_set_channels(pcm, params, format.channels)) < 0 ||
                       (error = snd_pcm_hw_params_set_rate(pcm, params, format.samplesPerSec, 0)) < 0)) {
        SetAlsaDetail("format refused", error);
        return WAVE_BADFORMAT;
    }
    unsigned ringTime = kRingMicroseconds;
    unsigned periodTime = kPeriodMicroseconds;
    snd_pcm_hw_params_set_buffer_time_near(pcm, params, &ringTime, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, params, &periodTime, nullptr);
    if (error < 0 || (error = snd_pcm_hw_params(pcm, params)) < 0) {
        SetAlsaDetail("hardware parameters", error);
        return WAVE_BADFORMAT;
    }
    snd_pcm_hw_params_get_buffer_size(params, ring);
    if ((error = snd_pcm_prepare(pcm)) < 0) {
        SetAlsaDetail("prepare", error);
        return WAVE_ERROR;
    }
    return WAVE_NOERROR;
}

uint32_t OpenResult(int error)
{
    switch (error) {
    case -EBUSY:
    case -EAGAIN:
        return WAVE_ALLOCATED;
    case -ENOMEM:
        return WAVE_NOMEM;
    default:
        return WAVE_NODRIVER;
    }
}

} // namespace

uint32_t WaveOutGetNumDevs()
{
    return static_cast<uint32_t>(Devices().size());
}

uint32_t WaveOutGetDevCaps(uint32_t device, WaveOutCaps* caps)
{
    if (!caps)
        return WAVE_INVALPARAM;
    if (device >= Devices().size())
        return WAVE_BADDEVICEID;
    *caps = Devices()[device];
    return WAVE_NOERROR;
}

uint32_t WaveOutOpen(HWaveOut* device, uint32_t index, const WaveFormat& format, WaveOutProc callback, void* instance)
{
    if (!device || !callback)
        return WAVE_INVALPARAM;
    *device = nullptr;
    errorDetail.clear();
    if (index >= Devices().size())
        return WAVE_BADDEVICEID;
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || (format.channels != 1 && format.channels != 2) ||
        format.blockAlign != format.channels * format.bitsPerSample / 8)
        return WAVE_BADFORMAT;
    snd_pcm_t* pcm;
    int error = snd_pcm_open(&pcm, Devices()[index].name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0) {
        // ALSA's own complaint, when it made one, says more than the code.
        if (errorDetail.empty())
            SetAlsaDetail("open", error);
        return OpenResult(error);
    }
    snd_pcm_uframes_t ring = 0;
    uint32_t result = Configure(pcm, format, &ring);
    if (result != WAVE_NOERROR) {
        snd_pcm_close(pcm);
        return result;
    }
    *device = new WaveOutDevice(pcm, format, ring, callback, instance);
    (*device)->Notify(WOM_OPEN, nullptr);
    return WAVE_NOERROR;
}

uint32_t WaveOutPrepareHeader(HWaveOut device, WaveHeader* header)
{
    if (!device)
        return WAVE_INVALHANDLE;
    if (!header || !header->data)
        return WAVE_INVALPARAM;
    header->flags |= WHDR_PREPARED;
    return WAVE_NOERROR;
}

uint32_t WaveOutUnprepareHeader(HWaveOut device, WaveHeader* header)
{
    if (!device)
        return WAVE_INVALHANDLE;
    if (!header)
        return WAVE_INVALPARAM;
    if (header->flags & WHDR_INQUEUE)
        return WAVE_STILLPLAYING;
    header->flags &= ~WHDR_PREPARED;
    return WAVE_NOERROR;
}

uint32_t WaveOutWrite(HWaveOut device, WaveHeader* header)
{
    if (!device)
        return WAVE_INVALHANDLE;
    if (!header)
        return WAVE_INVALPARAM;
    if (!(header->flags & WHDR_PREPARED))
        return WAVE_UNPREPARED;
    if (header->flags & WHDR_INQUEUE)
        return WAVE_STILLPLAYING;
    return device->Write(header);
}

uint32_t WaveOutReset(HWaveOut device)
{
    if (!device)
        return WAVE_INVALHANDLE;
    device->Reset();
    return WAVE_NOERROR;
}

uint32_t WaveOutClose(HWaveOut device)
{
    if (!device)
        return WAVE_INVALHANDLE;
    if (device->HasQueue())
        return WAVE_STILLPLAYING;
    device->Notify(WOM_CLOSE, nullptr);
    delete device;
    return WAVE_NOERROR;
}

uint64_t WaveOutGetUnderruns(HWaveOut device)
{
    return device ? device->Underruns() : 0;
}

const char* WaveOutErrorDetail()
{
    return errorDetail.c_str();
}

} // namespace platform
