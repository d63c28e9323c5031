#include "platform/OsThread.h"
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

} // namespace

void SetThreadPriority(pthread_t thread, pid_t tid, int level)
{
    sched_param param{};
    if (level > 0) {
        param.sched_priority = kRealtimePriority;
        if (pthread_setschedparam(thread, SCHED_FIFO, &param) == 0)
            return;
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kAboveNormalNice);
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
