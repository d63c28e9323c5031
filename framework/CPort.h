#pragma once
#include <cstdint>

class CAudioBuffer;
class CControlBuffer;
class CHost;
class CMachine;

enum PortFlags : int32_t {
    PORT_AUDIO = 0x001,
    PORT_CONTROL = 0x002,
    PORT_INPUT = 0x010,
    PORT_OUTPUT = 0x020,
    PORT_LATE = 0x040,
    PORT_STEREO = 0x100,

    PORT_MONO_AUDIO_IN = PORT_AUDIO | PORT_INPUT,                              // 17
    PORT_STEREO_AUDIO_IN = PORT_AUDIO | PORT_INPUT | PORT_STEREO,              // 273
    PORT_MONO_AUDIO_OUT = PORT_AUDIO | PORT_OUTPUT,                            // 33
    PORT_STEREO_AUDIO_OUT = PORT_AUDIO | PORT_OUTPUT | PORT_STEREO,            // 289
    PORT_CONTROL_IN = PORT_CONTROL | PORT_INPUT,                               // 18
    PORT_CONTROL_OUT = PORT_CONTROL | PORT_OUTPUT,                             // 34
    PORT_STEREO_LATE_IN = PORT_STEREO_AUDIO_IN | PORT_LATE,                    // 337
    PORT_STEREO_LATE_OUT = PORT_STEREO_AUDIO_OUT | PORT_LATE,                  // 353
};

// One input or output of a machine. It owns its buffers: an audio buffer of
// the host's block size when it carries audio, an event buffer when it
// carries control events.
class CPort {
public:
    CPort(CHost* host, CMachine* owner, int32_t flags, const char* name);
    ~CPort();
    CPort(const CPort&) = delete;
    CPort& operator=(const CPort&) = delete;

    bool Has(int32_t bits) const { return (flags & bits) == bits; }
    bool IsInput() const { return (flags & PORT_INPUT) != 0; }
    bool IsOutput() const { return (flags & PORT_OUTPUT) != 0; }
    bool IsAudio() const { return (flags & PORT_AUDIO) != 0; }
    bool IsControl() const { return (flags & PORT_CONTROL) != 0; }
    bool IsLate() const { return (flags & PORT_LATE) != 0; }
    bool IsStereo() const { return (flags & PORT_STEREO) != 0; }

    int32_t flags;
    CAudioBuffer* audioBuffer = nullptr;
    CControlBuffer* controlBuffer = nullptr;
    CMachine* owner;
    char* name = nullptr;
    int32_t portIndex = 0;
};
