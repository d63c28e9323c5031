#include "platform/OsThread.h"
#include "platform/OsRealtimeKit.h"
#include <atomic>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <chrono>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kRealtimePriority = 10;
constexpr int kAboveNormalNice = -5;
constexpr int kBelowNormalNice = 5;

std::atomic<bool> realtimeRefused{false};

// Raises the soft limit up to the hard one, for users the system allows
// real-time priorities (a limits.d entry gives many audio users one).
void RaiseRealtimeLimit(int priority)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur >= static_cast<rlim_t>(priority))
        return;
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= static_cast<rlim_t>(priority)) {
        limit.rlim_cur = static_cast<rlim_t>(priority);
        setrlimit(RLIMIT_RTPRIO, &limit);
    }
}

// Privilege or RLIMIT_RTPRIO first (no round trip), then the system's
// real-time broker.
bool SetRealtime(pthread_t thread, pid_t tid, int priority = kRealtimePriority)
{
    sched_param param{};
    param.sched_priority = priority;
    if (pthread_setschedparam(thread, SCHED_FIFO, &param) == 0)
        return true;
    RaiseRealtimeLimit(priority);
    if (pthread_setschedparam(thread, SCHED_FIFO, &param) == 0)
        return true;
    if (RealtimeKitMakeRealtime(tid, priority))
        return true;
    realtimeRefused.store(true, std::memory_order_relaxed);
    return false;
}

void SetAboveNormalNice(pid_t tid)
{
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kAboveNormalNice) != 0)
        RealtimeKitMakeHighPriority(tid, kAboveNormalNice);
}

} // namespace

void SetThreadPriority(pthread_t thread, pid_t tid, int level)
{
    sched_param param{};
    if (level > 0) {
        if (!SetRealtime(thread, tid))
            SetAboveNormalNice(tid);
        return;
    }
    param.sched_priority = 0;
    pthread_setschedparam(thread, SCHED_OTHER, &param);
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), level < 0 ? kBelowNormalNice : 0);
}

void SetCurrentThreadPriority(int level)
{
    SetThreadPriority(pthread_self(), CurrentThreadId(), level);
}

pid_t CurrentThreadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

void YieldProcessor()
{
    sched_yield();
}

void SetCurrentThreadName(const char* name)
{
    pthread_setname_np(pthread_self(), name);
}

void CpuPause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

bool RealtimeRefused()
{
    return realtimeRefused.load(std::memory_order_relaxed);
}

int CurrentRealtimePriority()
{
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0)
        return 0;
    // A broker's grant carries the reset-on-fork flag.
    policy &= ~SCHED_RESET_ON_FORK;
    return policy == SCHED_FIFO || policy == SCHED_RR ? param.sched_priority : 0;
}

int DefaultRealtimePriority()
{
    return kRealtimePriority;
}

void SetThreadRealtimePriority(pthread_t thread, pid_t tid, int priority)
{
    if (priority <= 0) {
        SetThreadPriority(thread, tid, 0);
        return;
    }
    if (!SetRealtime(thread, tid, priority))
        SetAboveNormalNice(tid);
}

bool RequestRealtime()
{
    return SetRealtime(pthread_self(), CurrentThreadId());
}

int HoldCancel()
{
    int previous = PTHREAD_CANCEL_ENABLE;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous);
    return previous;
}

void ReleaseCancel(int held)
{
    pthread_setcancelstate(held, nullptr);
}

void SleepMilliseconds(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SleepMicroseconds(int microseconds)
{
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

int ProcessorCount()
{
    unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

} // namespace platform
