#pragma once
#include "framework/CHostMutex.h"
#include <atomic>
#include <sys/types.h>
#include <thread>

// Base of every worker thread. Created suspended; Resume starts the loop,
// which runs Process with the thread's own mutex held, so anyone who locks
// the thread waits for the current pass to finish.
//
// A subclass must call Terminate in its own destructor: once the subclass
// is gone, the loop must no longer call its Process.
class CThread : public CHostMutex {
public:
    CThread();
    virtual ~CThread();

    virtual void Run();
    virtual void Process() = 0;

    void Resume();
    void Terminate();
    // Levels as for SetThreadPriority: 1 above normal, -1 below normal.
    void SetPriority(int level);
    // Real-time scheduling at exactly that priority (0: normal), to run at
    // the level of another real-time thread.
    void SetRealtimePriority(int priority);
    void Wait();
    bool IsRunning() const { return running.load(std::memory_order_acquire); }

private:
    void Entry();

    std::atomic<bool> running{false};
    std::thread thread;
    std::atomic<pid_t> threadId{0};
    std::atomic<int> priority{0};
};
