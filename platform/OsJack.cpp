#include "platform/OsJack.h"
#include <cerrno>
#include <cstdio>
#include <jack/jack.h>

namespace platform {

namespace {

jack_client_t* Handle(void* client)
{
    return static_cast<jack_client_t*>(client);
}

} // namespace

JackClient* JackClient::Open(const std::string& name, std::string* error)
{
    jack_status_t status{};
    jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!client) {
        if (error) {
            char text[96];
            std::snprintf(text, sizeof text, "No JACK Server Running (Status 0x%x)", static_cast<unsigned>(status));
            *error = text;
        }
        return nullptr;
    }
    return new JackClient(client);
}

JackClient::~JackClient()
{
    Deactivate();
    jack_client_close(Handle(client));
}

std::string JackClient::Name() const
{
    return jack_get_client_name(Handle(client));
}

uint32_t JackClient::SampleRate() const
{
    return jack_get_sample_rate(Handle(client));
}

uint32_t JackClient::BufferSize() const
{
    return jack_get_buffer_size(Handle(client));
}

bool JackClient::AddPorts(int count, const std::string& prefix, bool output)
{
    for (int i = 1; i <= count; ++i) {
        std::string name = prefix + std::to_string(i);
        jack_port_t* port = jack_port_register(Handle(client), name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                               output ? JackPortIsOutput : JackPortIsInput, 0);
        if (!port)
            return false;
        ports.push_back(port);
    }
    return true;
}

void JackClient::RemovePorts()
{
    for (void* port : ports)
        jack_port_unregister(Handle(client), static_cast<jack_port_t*>(port));
    ports.clear();
}

std::string JackClient::PortName(int port) const
{
    return jack_port_name(static_cast<jack_port_t*>(ports[static_cast<size_t>(port)]));
}

float* JackClient::PortBuffer(int port, uint32_t frames) const
{
    return static_cast<float*>(jack_port_get_buffer(static_cast<jack_port_t*>(ports[static_cast<size_t>(port)]), frames));
}

int JackClient::Process(uint32_t frames, void* self)
{
    auto* me = static_cast<JackClient*>(self);
    me->process(me->context, frames);
    return 0;
}

int JackClient::Xrun(void* self)
{
    static_cast<JackClient*>(self)->xruns.fetch_add(1);
    return 0;
}

bool JackClient::CountXruns()
{
    return jack_set_xrun_callback(Handle(client), &JackClient::Xrun, this) == 0;
}

bool JackClient::Activate(ProcessFunction newProcess, void* newContext)
{
    if (active)
        return true;
    process = newProcess;
    context = newContext;
    if (jack_set_process_callback(Handle(client), &JackClient::Process, this) != 0)
        return false;
    active = jack_activate(Handle(client)) == 0;
    return active;
}

void JackClient::Deactivate()
{
    if (active)
        jack_deactivate(Handle(client));
    active = false;
}

std::vector<std::string> JackClient::FindPorts(const std::string& pattern, bool physicalPlayback) const
{
    std::vector<std::string> names;
    unsigned long flags = physicalPlayback ? (JackPortIsPhysical | JackPortIsInput) : 0;
    const char** found = jack_get_ports(Handle(client), pattern.empty() ? nullptr : pattern.c_str(),
                                        JACK_DEFAULT_AUDIO_TYPE, flags);
    if (found) {
        for (const char** name = found; *name; ++name)
            names.emplace_back(*name);
        jack_free(found);
    }
    return names;
}

bool JackClient::Connect(const std::string& source, const std::string& destination)
{
    int result = jack_connect(Handle(client), source.c_str(), destination.c_str());
    return result == 0 || result == EEXIST;
}

void RouteJackMessages(void (*handler)(const char* text))
{
    jack_set_error_function(handler);
    jack_set_info_function(handler);
}

} // namespace platform
