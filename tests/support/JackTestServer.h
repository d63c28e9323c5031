#pragma once
// A JACK server of its own for one test: `jackd -d dummy` under a unique
// name, which this process's clients then use (JACK_DEFAULT_SERVER). Clients
// must be closed before the server goes.
#include "platform/OsJack.h"
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

class CJackTestServer {
public:
    explicit CJackTestServer(int rate = 44100, int period = 256) : rate(rate), period(period)
    {
        static std::atomic<int> serial{0};
        name = "velmora-test-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
        setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        // The polling below fails until the server is up; its messages say nothing.
        platform::RouteJackMessages([](const char*) {});
        Launch();
    }

    // A killed server leaves its slot in JACK's server registry (eight
    // slots for the whole machine); a server of the same name reclaims it
    // and frees it by ending cleanly.
    ~CJackTestServer()
    {
        if (killed && pid <= 0)
            Launch();
        Stop(SIGTERM);
    }

    // Ends the server with the signal (SIGKILL: at once, telling no
    // client) and waits for it; a server that ignores SIGTERM for 5 s is
    // killed.
    void Stop(int signal)
    {
        if (pid <= 0)
            return;
        killed = signal == SIGKILL;
        kill(pid, signal);
        for (int waited = 0; waited < 500; ++waited) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }

    // A new server under the same name, after Stop.
    bool Restart()
    {
        Stop(SIGTERM);
        Launch();
        return ready;
    }
    pid_t Pid() const { return pid; }

    CJackTestServer(const CJackTestServer&) = delete;
    CJackTestServer& operator=(const CJackTestServer&) = delete;

    bool Ready() const { return ready; }
    const std::string& Name() const { return name; }

private:
    void Launch()
    {
        ready = false;
        std::vector<std::string> args = {"jackd", "-n", name, "-d", "dummy", "-r", std::to_string(rate), "-p",
                                         std::to_string(period)};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid, "jackd", &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Ready once a client gets in; a fixed sleep would be too short or
        // too long.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid > 0 && !ready && std::chrono::steady_clock::now() < deadline) {
            std::unique_ptr<platform::JackClient> probe(platform::JackClient::Open("velmora-ready", nullptr));
            if (probe)
                ready = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::string name;
    int rate;
    int period;
    bool killed = false;
    pid_t pid = -1;
    bool ready = false;
};

// A client of the test that records what arrives at its input ports.
class CJackCapture {
public:
    CJackCapture(int channels, double seconds, uint32_t rate)
        : samples(static_cast<size_t>(channels)), capacity(static_cast<size_t>(seconds * rate))
    {
        client.reset(platform::JackClient::Open("velmora-capture", nullptr));
        for (auto& channel : samples)
            channel.assign(capacity, 0.0f);
        if (client && client->AddPorts(channels, "in_", false))
            client->Activate(&CJackCapture::Process, this);
    }

    // Stopped first: the process callback uses the client until then.
    ~CJackCapture()
    {
        if (client)
            client->Deactivate();
    }

    bool Ok() const { return client != nullptr; }
    // Connects the n-th output port whose name matches to our n-th input;
    // the number of inputs connected. Callers retry until all are: a port
    // of a client not yet active refuses, and must then keep its own input
    // instead of shifting the next port onto it.
    int ConnectFrom(const std::string& pattern)
    {
        const std::vector<std::string> ports = client->FindPorts(pattern, false);
        int connected = 0;
        for (int n = 0; n < client->PortCount() && n < static_cast<int>(ports.size()); ++n) {
            if (client->Connect(ports[static_cast<size_t>(n)], client->PortName(n)))
                ++connected;
        }
        return connected;
    }
    size_t Frames() const { return written.load(std::memory_order_acquire); }
    const std::vector<float>& Channel(int c) const { return samples[static_cast<size_t>(c)]; }
    // Recording starts only now; what came before is forgotten.
    void Restart() { written.store(0, std::memory_order_release); }

private:
    static void Process(void* self, uint32_t frames) { static_cast<CJackCapture*>(self)->Record(frames); }
    void Record(uint32_t frames)
    {
        size_t at = written.load(std::memory_order_relaxed);
        size_t take = std::min<size_t>(frames, capacity - at);
        for (size_t c = 0; c < samples.size(); ++c) {
            const float* in = client->PortBuffer(static_cast<int>(c), frames);
            std::copy(in, in + take, samples[c].begin() + static_cast<long>(at));
        }
        written.store(at + take, std::memory_order_release);
    }

    std::unique_ptr<platform::JackClient> client;
    std::vector<std::vector<float>> samples;
    size_t capacity;
    std::atomic<size_t> written{0};
};
