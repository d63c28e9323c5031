#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// A client of a running JACK server. Opening never starts a server, so
// without one it fails at once. The server is the default one, or the one
// that JACK_DEFAULT_SERVER names.
namespace platform {

class JackClient {
public:
    // Called on JACK's process thread once per period with the period's
    // frame count; must not block.
    using ProcessFunction = void (*)(void* context, uint32_t frames);
    // What the server tells an active client, on one of JACK's threads:
    // an xrun, or (once) that the server went away or threw the client out,
    // with the server's reason. A client whose server is gone is dead: only
    // its destruction may follow.
    enum Notice { XRUN, SERVER_GONE };
    using NoticeFunction = void (*)(void* context, Notice notice, const char* reason);

    // Null when no server answers; `error` then says why.
    static JackClient* Open(const std::string& name, std::string* error);
    // Deactivates first when active.
    ~JackClient();
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // The name the server gave the client (it may add a number).
    std::string Name() const;
    uint32_t SampleRate() const;
    uint32_t BufferSize() const;

    // Registers ports "<prefix>1" ... "<prefix>count"; false when the
    // server refused one. Ports are numbered from 0 in registration order.
    bool AddPorts(int count, const std::string& prefix, bool output);
    void RemovePorts();
    int PortCount() const { return static_cast<int>(ports.size()); }
    std::string PortName(int port) const;
    // The port's samples of the current period; process thread only.
    float* PortBuffer(int port, uint32_t frames) const;

    // The notice function (may be null) is registered with the process
    // function and gets the same context.
    bool Activate(ProcessFunction process, void* context, NoticeFunction notice = nullptr);
    // Returns once no process call runs any more; nothing to do once the
    // server is gone.
    void Deactivate();
    bool IsServerGone() const;
    // Xruns the server reported to this client since it was opened.
    int64_t Xruns() const;

    // Full names of the server's ports whose names match the regular
    // expression (empty: all) and that are physical playback ports when
    // `physicalPlayback` is set.
    std::vector<std::string> FindPorts(const std::string& pattern, bool physicalPlayback) const;
    bool Connect(const std::string& source, const std::string& destination);

private:
    explicit JackClient(void* client);
    static int Process(uint32_t frames, void* self);
    static void Shutdown(int code, const char* reason, void* self);
    static int Xrun(void* self);

    void* client;
    struct Notices;
    Notices* notices;
    std::vector<void*> ports;
    ProcessFunction process = nullptr;
    void* context = nullptr;
    bool active = false;
};

// Where the JACK library's own messages go (by default to standard error).
void RouteJackMessages(void (*handler)(const char* text));

} // namespace platform
