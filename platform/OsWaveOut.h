#pragma once
#include <cstdint>
#include <string>

// A waveOut-shaped playback interface over ALSA PCM devices: a device list
// with names and format flags, open with a completion callback, and the
// prepare / write / reset / unprepare / close cycle of sample blocks. Each
// open device has a feeder thread of its own that writes the queued blocks
// in order and reports every finished block there (WOM_DONE).
namespace platform {

// Result codes, numbered as the waveOut interface numbers them.
enum WaveResult : uint32_t {
    WAVE_NOERROR = 0,
    WAVE_ERROR = 1,
    WAVE_BADDEVICEID = 2,
    WAVE_ALLOCATED = 4,
    WAVE_INVALHANDLE = 5,
    WAVE_NODRIVER = 6,
    WAVE_NOMEM = 7,
    WAVE_INVALPARAM = 11,
    WAVE_BADFORMAT = 32,
    WAVE_STILLPLAYING = 33,
    WAVE_UNPREPARED = 34,
};

// Messages of the completion callback.
enum WaveMessage : uint32_t {
    WOM_OPEN = 0x3BB,
    WOM_CLOSE = 0x3BC,
    WOM_DONE = 0x3BD,
};

// Header flags.
enum WaveHeaderFlag : uint32_t {
    WHDR_DONE = 0x01,
    WHDR_PREPARED = 0x02,
    WHDR_INQUEUE = 0x10,
};

struct WaveOutCaps {
    // The ALSA PCM name ("default", "plughw:CARD=PCH,DEV=0", ...): what the
    // options show and what a user types to choose the device.
    std::string name;
    // ALSA's description of the device, first line.
    std::string description;
    // Supported formats in the FormatMask layout.
    uint32_t formats = 0;
};

// Integer PCM, 8-bit unsigned or 16-bit signed little-endian, interleaved.
struct WaveFormat {
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

struct WaveHeader {
    char* data;
    uint32_t bufferLength;
    uint32_t flags;
    uint32_t loops;
    WaveHeader* next; // the device's queue
};

class WaveOutDevice;
using HWaveOut = WaveOutDevice*;
using WaveOutProc = void (*)(HWaveOut device, uint32_t message, void* instance, WaveHeader* header);

// The playback devices ALSA lists that can be opened and play at least one
// of the formats, in ALSA's order except that "default" comes first and
// "null" last (device 0 is what a fresh installation plays). Listed once
// per process: indices stay valid for the process's life (a device that
// goes away fails to open).
uint32_t WaveOutGetNumDevs();
uint32_t WaveOutGetDevCaps(uint32_t device, WaveOutCaps* caps);

// WOM_OPEN and WOM_CLOSE arrive on the calling thread, WOM_DONE on the
// device's feeder thread.
uint32_t WaveOutOpen(HWaveOut* device, uint32_t index, const WaveFormat& format, WaveOutProc callback, void* instance);
uint32_t WaveOutPrepareHeader(HWaveOut device, WaveHeader* header);
uint32_t WaveOutUnprepareHeader(HWaveOut device, WaveHeader* header);
uint32_t WaveOutWrite(HWaveOut device, WaveHeader* header);
// Stops playing and returns every queued block (WOM_DONE on the feeder
// thread); returns once all of them have been returned.
uint32_t WaveOutReset(HWaveOut device);
uint32_t WaveOutClose(HWaveOut device);

// Underruns of the open device since it was opened (the device ran dry
// before the next block came).
uint64_t WaveOutGetUnderruns(HWaveOut device);

// The system's reason for the last failure on this thread, for traces.
const char* WaveOutErrorDetail();

} // namespace platform
