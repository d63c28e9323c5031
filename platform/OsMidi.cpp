#include "platform/OsMidi.h"
#include <RtMidi.h>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kClientName = "Velmora Studio";

// RtMidi's own warnings (no ALSA sequencer, no JACK server) are ours to
// report, not its to print.
void Quiet(RtMidiError::Type, const std::string&, void*) {}

// The ALSA sequencer first; without one (it throws here) JACK MIDI.
template <typename Port>
std::unique_ptr<Port> Make(std::string* error, int* code)
{
    // Without the kernel's sequencer device the ALSA attempt would only
    // print its failure.
    const bool haveSequencer = access("/dev/snd/seq", R_OK | W_OK) == 0;
    for (RtMidi::Api api : {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK}) {
        if (api == RtMidi::LINUX_ALSA && !haveSequencer)
            continue;
        try {
            auto port = std::make_unique<Port>(api, kClientName);
            port->setErrorCallback(Quiet, nullptr);
            return port;
        } catch (const RtMidiError& failure) {
            if (error)
                *error = failure.getMessage();
            if (code)
                *code = failure.getType();
        }
    }
    return nullptr;
}

template <typename Port>
std::vector<std::string> Names()
{
    std::vector<std::string> names;
    std::unique_ptr<Port> port = Make<Port>(nullptr, nullptr);
    if (!port)
        return names;
    try {
        unsigned count = port->getPortCount();
        for (unsigned i = 0; i < count; ++i)
            names.push_back(port->getPortName(i));
    } catch (const RtMidiError&) {
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

template <typename Port>
bool OpenByName(Port& port, const std::string& name, std::string* error, int* code)
{
    try {
        unsigned count = port.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (port.getPortName(i) == name) {
                port.openPort(i, "Velmora");
                return port.isPortOpen();
            }
        }
        if (error)
            *error = "no such port";
        if (code)
            *code = RtMidiError::INVALID_PARAMETER;
    } catch (const RtMidiError& failure) {
        if (error)
            *error = failure.getMessage();
        if (code)
            *code = failure.getType();
    }
    return false;
}

} // namespace

std::vector<std::string> MidiInputNames()
{
    return Names<RtMidiIn>();
}

std::vector<std::string> MidiOutputNames()
{
    return Names<RtMidiOut>();
}

MidiInput* MidiInput::Open(const std::string& name, Callback callback, void* context, std::string* error,
                           int* code)
{
    std::unique_ptr<RtMidiIn> port = Make<RtMidiIn>(error, code);
    if (!port || !OpenByName(*port, name, error, code))
        return nullptr;
    auto* input = new MidiInput();
    input->callback = callback;
    input->context = context;
    port->ignoreTypes(true, true, true);
    port->setCallback(&MidiInput::Arrived, input);
    input->port = port.release();
    return input;
}

MidiInput::~MidiInput()
{
    auto* in = static_cast<RtMidiIn*>(port);
    if (in) {
        in->cancelCallback();
        in->closePort();
        delete in;
    }
}

void MidiInput::Arrived(double, std::vector<unsigned char>* message, void* self)
{
    auto* input = static_cast<MidiInput*>(self);
    if (!message || message->empty())
        return;
    uint8_t status = (*message)[0];
    uint8_t data1 = message->size() > 1 ? (*message)[1] : 0;
    uint8_t data2 = message->size() > 2 ? (*message)[2] : 0;
    input->callback(input->context, status, data1, data2);
}

MidiOutput* MidiOutput::Open(const std::string& name, std::string* error, int* code)
{
    std::unique_ptr<RtMidiOut> port = Make<RtMidiOut>(error, code);
    if (!port || !OpenByName(*port, name, error, code))
        return nullptr;
    auto* output = new MidiOutput();
    output->port = port.release();
    return output;
}

MidiOutput::~MidiOutput()
{
    auto* out = static_cast<RtMidiOut*>(port);
    if (out) {
        out->closePort();
        delete out;
    }
}

bool MidiOutput::Send(uint8_t status, uint8_t data1, uint8_t data2)
{
    unsigned char message[3] = {status, data1, data2};
    try {
        static_cast<RtMidiOut*>(port)->sendMessage(message, 3);
    } catch (const RtMidiError&) {
        return false;
    }
    return true;
}

} // namespace platform
