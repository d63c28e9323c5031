#include "platform/OsJack.h"
#include "platform/OsThread.h"
#include <atomic>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <jack/jack.h>

namespace platform {

namespace {

jack_client_t* Handle(void* client)
{
    return static_cast<jack_client_t*>(client);
}

// JACK cancels a closing client's thread asynchronously. A cancel landing
// inside one of our callbacks unwinds through frames that may not be
// unwound (a condition's notify is noexcept) and ends the program, or
// leaves our locks held (a block waiting for a worker holds the studio's);
// so callbacks hold cancels off, and closing waits until none runs.
int EnterCallback(std::atomic<int>& running)
{
    const int held = HoldCancel();
    running.fetch_add(1, std::memory_order_seq_cst);
    return held;
}

void LeaveCallback(std::atomic<int>& running, int held)
{
    running.fetch_sub(1, std::memory_order_release);
    ReleaseCancel(held);
}

// Bounded, as a stuck call must not hang the program.
bool WaitForNone(const std::atomic<int>& running)
{
    for (int waited = 0; waited < 2000; ++waited) {
        if (running.load(std::memory_order_acquire) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return running.load(std::memory_order_acquire) == 0;
}

} // namespace

// Touched from JACK's threads.
struct JackClient::Notices {
    std::atomic<bool> gone{false};
    // Inside the process function; once the server is gone, nothing may
    // touch the client's ports while it is.
    std::atomic<bool> inProcess{false};
    // Any of our callbacks running on JACK's threads.
    std::atomic<int> inCallback{0};
    std::atomic<int64_t> xruns{0};
    std::atomic<void*> shutdownContext{nullptr};
    std::atomic<JackClient::NoticeFunction> notice{nullptr};

    void Tell(Notice what, const char* reason)
    {
        if (NoticeFunction function = notice.load(std::memory_order_acquire))
            function(shutdownContext.load(std::memory_order_relaxed), what, reason);
    }
};

JackClient::JackClient(void* client) : client(client), notices(new Notices)
{
    // Counted from the start, whether active or not.
    jack_set_xrun_callback(Handle(client), &JackClient::Xrun, this);
    jack_on_info_shutdown(
        Handle(client),
        [](jack_status_t code, const char* reason, void* self) { Shutdown(static_cast<int>(code), reason, self); },
        this);
}

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

// Closing frees the client's side even when the server is gone. A
// callback still running after the wait keeps the client: closing would
// cancel its thread or wait for it forever.
JackClient::~JackClient()
{
    Deactivate();
    if (!WaitForNone(notices->inCallback))
        return;
    jack_client_close(Handle(client));
    delete notices;
}

bool JackClient::IsServerGone() const
{
    return notices->gone.load(std::memory_order_acquire);
}

int64_t JackClient::Xruns() const
{
    return notices->xruns.load(std::memory_order_relaxed);
}

int JackClient::Xrun(void* self)
{
    Notices* notices = static_cast<JackClient*>(self)->notices;
    const int before = EnterCallback(notices->inCallback);
    notices->xruns.fetch_add(1, std::memory_order_relaxed);
    notices->Tell(XRUN, "");
    LeaveCallback(notices->inCallback, before);
    return 0;
}

void JackClient::Shutdown(int, const char* reason, void* self)
{
    Notices* notices = static_cast<JackClient*>(self)->notices;
    const int before = EnterCallback(notices->inCallback);
    if (!notices->gone.exchange(true, std::memory_order_seq_cst))
        notices->Tell(SERVER_GONE, reason ? reason : "");
    LeaveCallback(notices->inCallback, before);
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
    // A dead client's ports went with its server.
    if (!IsServerGone()) {
        for (void* port : ports)
            jack_port_unregister(Handle(client), static_cast<jack_port_t*>(port));
    }
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
    const int before = EnterCallback(me->notices->inCallback);
    me->notices->inProcess.store(true, std::memory_order_seq_cst);
    if (!me->notices->gone.load(std::memory_order_seq_cst))
        me->process(me->context, frames);
    me->notices->inProcess.store(false, std::memory_order_release);
    LeaveCallback(me->notices->inCallback, before);
    return 0;
}

bool JackClient::Activate(ProcessFunction newProcess, void* newContext, NoticeFunction newNotice)
{
    if (active)
        return true;
    if (IsServerGone())
        return false;
    process = newProcess;
    context = newContext;
    notices->shutdownContext.store(newContext, std::memory_order_relaxed);
    notices->notice.store(newNotice, std::memory_order_release);
    if (jack_set_process_callback(Handle(client), &JackClient::Process, this) != 0)
        return false;
    active = jack_activate(Handle(client)) == 0;
    return active;
}

void JackClient::Deactivate()
{
    notices->notice.store(nullptr, std::memory_order_release);
    if (active && !IsServerGone())
        jack_deactivate(Handle(client));
    // Without a server nothing deactivates the process thread: wait for a
    // process call still running (later ones see the server gone and do
    // nothing), so that the ports can go. Bounded, as a stuck call must not
    // hang the program.
    for (int waited = 0; active && waited < 2000 && notices->inProcess.load(std::memory_order_acquire); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
