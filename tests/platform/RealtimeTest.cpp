// Real-time requests of an unprivileged process: refused without a broker,
// and granted through a broker on a private system bus. The broker here is
// this test's own stand-in for rtkit (the real daemon needs polkit and a
// login session, which this machine has not): it answers rtkit's
// properties and methods and, running as root, sets the scheduling of the
// thread it is asked for, as rtkit does (round-robin, reset on fork).
#include "platform/OsProcess.h"
#include "platform/OsThread.h"
#include "support/TempFolder.h"
#include <atomic>
#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <dbus/dbus.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kBrokerMaxPriority = 7;
constexpr int64_t kBrokerMaxRttime = 150000;

// Bits of the child's exit status.
enum : int {
    REQUEST_GRANTED = 1,
    REFUSAL_NOTED = 2,
    SCHEDULED_REALTIME = 4,
    RTTIME_BOUNDED = 8,
    CHILD_SETUP_FAILED = 64,
};

// Runs the request in a child that has no privilege and no RLIMIT_RTPRIO,
// with the system bus at `busAddress`; returns the exit status bits.
int RequestInUnprivilegedChild(const std::string& busAddress, int* priority, bool levelAboveNormal = false)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        rlimit none{0, 0};
        setenv("DBUS_SYSTEM_BUS_ADDRESS", busAddress.c_str(), 1);
        if (setrlimit(RLIMIT_RTPRIO, &none) != 0 || (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)))
            _exit(CHILD_SETUP_FAILED);
        int result = 0;
        if (levelAboveNormal) {
            // Real-time refused, the broker's nicer value instead.
            platform::SetCurrentThreadPriority(1);
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(platform::CurrentThreadId()));
            if (write(pipeEnds[1], &nice, sizeof nice) != sizeof nice)
                _exit(CHILD_SETUP_FAILED);
            _exit(platform::RealtimeRefused() ? REFUSAL_NOTED : 0);
        }
        if (platform::RequestRealtime())
            result |= REQUEST_GRANTED;
        if (platform::RealtimeRefused())
            result |= REFUSAL_NOTED;
        int policy = 0;
        sched_param param{};
        pthread_getschedparam(pthread_self(), &policy, &param);
        policy &= ~SCHED_RESET_ON_FORK;
        if (policy == SCHED_FIFO || policy == SCHED_RR)
            result |= SCHEDULED_REALTIME;
        rlimit rttime{};
        if (getrlimit(RLIMIT_RTTIME, &rttime) == 0 && rttime.rlim_max != RLIM_INFINITY
            && rttime.rlim_max <= static_cast<rlim_t>(kBrokerMaxRttime))
            result |= RTTIME_BOUNDED;
        // What the studio sees of it (a broker's scheduling carries the
        // reset-on-fork flag).
        const int got = platform::CurrentRealtimePriority();
        if (write(pipeEnds[1], &got, sizeof got) != sizeof got)
            _exit(CHILD_SETUP_FAILED);
        _exit(result);
    }
    close(pipeEnds[1]);
    int status = 0;
    waitpid(child, &status, 0);
    *priority = -1;
    if (read(pipeEnds[0], priority, sizeof *priority) != sizeof *priority)
        *priority = -1;
    close(pipeEnds[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A private bus that any user may reach, on a socket in its own folder.
class PrivateBus {
public:
    explicit PrivateBus(const TempFolder& folder)
    {
        const std::string socket = folder / "bus";
        address = "unix:path=" + socket;
        const std::string config = folder / "bus.conf";
        std::ofstream(config) << "<busconfig><type>system</type><listen>" << address
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
                                 "<allow receive_sender=\"*\"/></policy></busconfig>\n";
        chmod(folder.Path().c_str(), 0755);
        started = daemon.Start("/usr/bin/dbus-daemon", {"--nofork", "--nopidfile", "--config-file=" + config}, false);
        for (int i = 0; started && i < 500 && access(socket.c_str(), F_OK) != 0; ++i)
            usleep(10000);
    }
    ~PrivateBus()
    {
        if (started) {
            daemon.Kill();
            daemon.Wait();
        }
    }
    std::string address;
    bool started = false;

private:
    platform::ChildProcess daemon;
};

// The stand-in for rtkit on the private bus.
class Broker {
public:
    explicit Broker(const std::string& address)
    {
        DBusError error;
        dbus_error_init(&error);
        connection = dbus_connection_open_private(address.c_str(), &error);
        if (connection && dbus_bus_register(connection, &error)
            && dbus_bus_request_name(connection, "org.freedesktop.RealtimeKit1", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error)
                == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)
            serving = std::thread([this] { Serve(); });
        dbus_error_free(&error);
    }
    ~Broker()
    {
        stop.store(true);
        if (serving.joinable())
            serving.join();
        if (connection) {
            dbus_connection_close(connection);
            dbus_connection_unref(connection);
        }
    }
    bool Ready() const { return serving.joinable(); }

    std::atomic<int> realtimeCalls{0};
    std::atomic<int> askedPriority{0};
    std::atomic<int> askedNice{0};
    std::atomic<bool> grantRealtime{true};

private:
    void Serve()
    {
        while (!stop.load() && dbus_connection_read_write(connection, 50)) {
            while (DBusMessage* message = dbus_connection_pop_message(connection)) {
                Answer(message);
                dbus_message_unref(message);
            }
        }
    }

    void Answer(DBusMessage* message)
    {
        if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
            return;
        DBusMessage* reply = nullptr;
        if (dbus_message_is_method_call(message, "org.freedesktop.DBus.Properties", "Get")) {
            const char* interface = nullptr;
            const char* name = nullptr;
            dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                  DBUS_TYPE_INVALID);
            reply = dbus_message_new_method_return(message);
            DBusMessageIter iterator;
            DBusMessageIter variant;
            dbus_message_iter_init_append(reply, &iterator);
            if (name && std::string(name) == "RTTimeUSecMax") {
                dbus_int64_t value = kBrokerMaxRttime;
                dbus_message_iter_open_container(&iterator, DBUS_TYPE_VARIANT, "x", &variant);
                dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT64, &value);
            } else {
                dbus_int32_t value = name && std::string(name) == "MaxRealtimePriority" ? kBrokerMaxPriority : -15;
                dbus_message_iter_open_container(&iterator, DBUS_TYPE_VARIANT, "i", &variant);
                dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &value);
            }
            dbus_message_iter_close_container(&iterator, &variant);
        } else if (dbus_message_is_method_call(message, "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
            dbus_uint64_t thread = 0;
            dbus_uint32_t priority = 0;
            dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &priority,
                                  DBUS_TYPE_INVALID);
            ++realtimeCalls;
            askedPriority.store(static_cast<int>(priority));
            sched_param param{};
            param.sched_priority = static_cast<int>(priority);
            if (grantRealtime.load() && priority >= 1 && priority <= static_cast<dbus_uint32_t>(kBrokerMaxPriority)
                && sched_setscheduler(static_cast<pid_t>(thread), SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0)
                reply = dbus_message_new_method_return(message);
            else
                reply = dbus_message_new_error(message, DBUS_ERROR_ACCESS_DENIED, "refused");
        } else if (dbus_message_is_method_call(message, "org.freedesktop.RealtimeKit1", "MakeThreadHighPriority")) {
            dbus_uint64_t thread = 0;
            dbus_int32_t nice = 0;
            dbus_message_get_args(message, nullptr, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_INT32, &nice,
                                  DBUS_TYPE_INVALID);
            askedNice.store(nice);
            if (nice >= -15 && setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice) == 0)
                reply = dbus_message_new_method_return(message);
            else
                reply = dbus_message_new_error(message, DBUS_ERROR_ACCESS_DENIED, "refused");
        } else {
            reply = dbus_message_new_error(message, DBUS_ERROR_UNKNOWN_METHOD, "unknown");
        }
        dbus_connection_send(connection, reply, nullptr);
        dbus_connection_flush(connection);
        dbus_message_unref(reply);
    }

    DBusConnection* connection = nullptr;
    std::atomic<bool> stop{false};
    std::thread serving;
};

TEST(RealtimeRequestTest, WithoutPrivilegeOrBrokerTheRequestIsRefusedAndNoted)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to run the request as another user";
    TempFolder folder;
    int priority = 0;
    // No bus at all: the request fails at once and the refusal is noted.
    const int result = RequestInUnprivilegedChild("unix:path=" + (folder / "no-bus"), &priority);
    ASSERT_NE(result, CHILD_SETUP_FAILED);
    EXPECT_EQ(result & (REQUEST_GRANTED | SCHEDULED_REALTIME), 0);
    EXPECT_NE(result & REFUSAL_NOTED, 0);
    EXPECT_EQ(priority, 0);

    // A bus without the broker: refused too, without waiting for a timeout.
    PrivateBus bus(folder);
    ASSERT_TRUE(bus.started);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RequestInUnprivilegedChild(bus.address, &priority) & (REQUEST_GRANTED | REFUSAL_NOTED), REFUSAL_NOTED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(RealtimeRequestTest, TheBrokerGrantsWhatTheSystemRefusedAtItsHighestPriority)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to run the request as another user and to act as the broker";
    TempFolder folder;
    PrivateBus bus(folder);
    ASSERT_TRUE(bus.started);
    Broker broker(bus.address);
    ASSERT_TRUE(broker.Ready());
    int priority = 0;
    const int result = RequestInUnprivilegedChild(bus.address, &priority);
    ASSERT_NE(result, CHILD_SETUP_FAILED);
    EXPECT_EQ(broker.realtimeCalls.load(), 1);
    // The default priority is above the broker's highest: asked at that.
    ASSERT_GT(platform::DefaultRealtimePriority(), kBrokerMaxPriority);
    EXPECT_EQ(broker.askedPriority.load(), kBrokerMaxPriority);
    EXPECT_EQ(result, REQUEST_GRANTED | SCHEDULED_REALTIME | RTTIME_BOUNDED);
    EXPECT_EQ(priority, kBrokerMaxPriority);

    // A broker that refuses real time still gives a nicer value; the
    // refusal is told all the same.
    broker.grantRealtime.store(false);
    int nice = 0;
    EXPECT_EQ(RequestInUnprivilegedChild(bus.address, &nice, true), REFUSAL_NOTED);
    EXPECT_EQ(broker.askedNice.load(), -5);
    EXPECT_EQ(nice, -5);
}

} // namespace
