#pragma once
#include <cstdint>
#include <string>
#include <vector>

// MIDI ports of the system: the ALSA sequencer where the kernel has one,
// else JACK MIDI (a running JACK server's MIDI ports).
namespace platform {

// Sources we can read from and destinations we can send to, sorted by
// name so that indices stay put while the same ports exist.
std::vector<std::string> MidiInputNames();
std::vector<std::string> MidiOutputNames();

// An open connection from one source; messages arrive on a system thread.
class MidiInput {
public:
    using Callback = void (*)(void* context, uint8_t status, uint8_t data1, uint8_t data2);

    // Null, with the reason in `error` and a code in `code`, when the port
    // is gone or refused.
    static MidiInput* Open(const std::string& name, Callback callback, void* context, std::string* error,
                           int* code);
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

private:
    MidiInput() = default;
    static void Arrived(double, std::vector<unsigned char>* message, void* self);

    void* port = nullptr;
    Callback callback = nullptr;
    void* context = nullptr;
};

// An open connection to one destination.
class MidiOutput {
public:
    static MidiOutput* Open(const std::string& name, std::string* error, int* code);
    ~MidiOutput();
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    // A short message; false when the system refused it.
    bool Send(uint8_t status, uint8_t data1, uint8_t data2);

private:
    MidiOutput() = default;
    void* port = nullptr;
};

} // namespace platform
