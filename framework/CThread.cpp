#include "framework/CThread.h"
#include "platform/OsThread.h"

CThread::CThread() = default;

CThread::~CThread()
{
    Terminate();
    Wait();
}

void CThread::Entry()
{
    threadId.store(platform::CurrentThreadId(), std::memory_order_release);
    platform::SetCurrentThreadPriority(priority.load());
    Run();
}

void CThread::Run()
{
    for (;;) {
        Lock();
        if (!running.load(std::memory_order_acquire))
            break;
        Process();
        Unlock();
        // A waiting Lock (Terminate, a driver's Stop) gets the mutex before
        // the next pass takes it again: the system mutex is not fair. Sleep
        // rather than yield, as a yield at real-time priority lets no
        // ordinary thread run.
        while (Waiters() > 0 && running.load(std::memory_order_acquire))
            platform::SleepMicroseconds(50);
    }
    Unlock();
}

void CThread::Resume()
{
    running.store(true, std::memory_order_release);
    if (!thread.joinable())
        thread = std::thread(&CThread::Entry, this);
}

void CThread::Terminate()
{
    if (!running.load(std::memory_order_acquire))
        return;
    Lock();
    running.store(false, std::memory_order_release);
    Unlock();
    Wait();
}

void CThread::SetPriority(int level)
{
    priority.store(level);
    pid_t tid = threadId.load(std::memory_order_acquire);
    if (thread.joinable() && tid != 0)
        platform::SetThreadPriority(thread.native_handle(), tid, level);
}

void CThread::SetRealtimePriority(int realtime)
{
    priority.store(realtime > 0 ? 1 : 0);
    pid_t tid = threadId.load(std::memory_order_acquire);
    if (thread.joinable() && tid != 0)
        platform::SetThreadRealtimePriority(thread.native_handle(), tid, realtime);
}

void CThread::Wait()
{
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
}
