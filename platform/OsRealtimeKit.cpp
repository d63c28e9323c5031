#include "platform/OsRealtimeKit.h"
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <dbus/dbus.h>
#include <mutex>
#include <sys/resource.h>

namespace platform {

namespace {

constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kObject = "/org/freedesktop/RealtimeKit1";
constexpr const char* kInterface = "org.freedesktop.RealtimeKit1";
constexpr int kTimeoutMs = 500;

// One private connection for the process; a shared one would be closed
// under the feet of any other library of the process that uses the bus.
class CBroker {
public:
    ~CBroker()
    {
        if (connection) {
            dbus_connection_close(connection);
            dbus_connection_unref(connection);
        }
    }

    bool MakeRealtime(pid_t tid, int priority)
    {
        std::lock_guard lock(mutex);
        if (!Connect() || realtimeRefused)
            return false;
        const int64_t maximum = IntegerProperty("MaxRealtimePriority", 20);
        const int64_t rttime = IntegerProperty("RTTimeUSecMax", 200000);
        if (maximum < 1 || !LimitRealtimeTime(rttime))
            return Refuse(realtimeRefused);
        auto thread = static_cast<dbus_uint64_t>(tid);
        auto level = static_cast<dbus_uint32_t>(std::clamp<int64_t>(priority, 1, maximum));
        if (!Call("MakeThreadRealtime", DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &level, DBUS_TYPE_INVALID))
            return Refuse(realtimeRefused);
        return true;
    }

    bool MakeHighPriority(pid_t tid, int niceLevel)
    {
        std::lock_guard lock(mutex);
        if (!Connect() || niceRefused)
            return false;
        const int64_t minimum = IntegerProperty("MinNiceLevel", -15);
        auto thread = static_cast<dbus_uint64_t>(tid);
        auto level = static_cast<dbus_int32_t>(std::clamp<int64_t>(niceLevel, minimum, 19));
        if (!Call("MakeThreadHighPriority", DBUS_TYPE_UINT64, &thread, DBUS_TYPE_INT32, &level, DBUS_TYPE_INVALID))
            return Refuse(niceRefused);
        return true;
    }

private:
    static bool Refuse(bool& flag)
    {
        flag = true;
        return false;
    }

    bool Connect()
    {
        if (connection)
            return true;
        if (noBroker)
            return false;
        DBusError error;
        dbus_error_init(&error);
        connection = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
        dbus_error_free(&error);
        if (!connection) {
            noBroker = true;
            return false;
        }
        // A bus that goes away must not end the program.
        dbus_connection_set_exit_on_disconnect(connection, FALSE);
        return true;
    }

    // rtkit grants nothing to a process that may run in real time without
    // bound: the hard limit must be at most its maximum.
    static bool LimitRealtimeTime(int64_t maximum)
    {
        rlimit limit{};
        if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
            return false;
        const auto bound = static_cast<rlim_t>(maximum);
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= bound)
            return true;
        limit.rlim_cur = std::min(limit.rlim_cur, bound);
        limit.rlim_max = bound;
        return setrlimit(RLIMIT_RTTIME, &limit) == 0;
    }

    DBusMessage* Send(DBusMessage* message)
    {
        if (!message)
            return nullptr;
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, message, kTimeoutMs, &error);
        dbus_message_unref(message);
        dbus_error_free(&error);
        return reply;
    }

    bool Call(const char* method, int firstType, ...)
    {
        DBusMessage* message = dbus_message_new_method_call(kService, kObject, kInterface, method);
        if (!message)
            return false;
        va_list arguments;
        va_start(arguments, firstType);
        const bool built = dbus_message_append_args_valist(message, firstType, arguments);
        va_end(arguments);
        if (!built) {
            dbus_message_unref(message);
            return false;
        }
        DBusMessage* reply = Send(message);
        if (!reply)
            return false;
        const bool granted = dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
        dbus_message_unref(reply);
        return granted;
    }

    // The broker's setting, or the given default when it does not tell.
    int64_t IntegerProperty(const char* name, int64_t fallback)
    {
        DBusMessage* message =
            dbus_message_new_method_call(kService, kObject, "org.freedesktop.DBus.Properties", "Get");
        if (!message)
            return fallback;
        const char* interface = kInterface;
        if (!dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                      DBUS_TYPE_INVALID)) {
            dbus_message_unref(message);
            return fallback;
        }
        DBusMessage* reply = Send(message);
        if (!reply)
            return fallback;
        int64_t value = fallback;
        DBusMessageIter iterator;
        DBusMessageIter variant;
        if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN && dbus_message_iter_init(reply, &iterator)
            && dbus_message_iter_get_arg_type(&iterator) == DBUS_TYPE_VARIANT) {
            dbus_message_iter_recurse(&iterator, &variant);
            const int type = dbus_message_iter_get_arg_type(&variant);
            if (type == DBUS_TYPE_INT32) {
                dbus_int32_t number = 0;
                dbus_message_iter_get_basic(&variant, &number);
                value = number;
            } else if (type == DBUS_TYPE_INT64) {
                dbus_int64_t number = 0;
                dbus_message_iter_get_basic(&variant, &number);
                value = number;
            }
        }
        dbus_message_unref(reply);
        return value;
    }

    std::mutex mutex;
    DBusConnection* connection = nullptr;
    bool noBroker = false;
    bool realtimeRefused = false;
    bool niceRefused = false;
};

CBroker& Broker()
{
    static CBroker broker;
    return broker;
}

} // namespace

bool RealtimeKitMakeRealtime(pid_t tid, int priority)
{
    return Broker().MakeRealtime(tid, priority);
}

bool RealtimeKitMakeHighPriority(pid_t tid, int niceLevel)
{
    return Broker().MakeHighPriority(tid, niceLevel);
}

} // namespace platform
