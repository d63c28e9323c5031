#pragma once
#include "framework/CBoundedQueue.h"
#include "framework/CSemaphore.h"
#include "framework/CThread.h"
#include <cstddef>

using JobFunction = void (*)(void* argument);

// A thread whose wait is alertable: jobs queued to it from any thread run
// on it during its waits, in the order they were queued. Queuing never
// allocates or takes a lock, so the render cycle may queue jobs.
class CAlertableThread : public CThread {
public:
    explicit CAlertableThread(size_t capacity = 1024);
    ~CAlertableThread() override;

    void QueueJob(JobFunction function, void* argument);

    // Waits up to the given time for jobs; runs every job that is queued by
    // then. True when at least one job ran.
    bool AlertableSleep(int milliseconds);

    void Process() override;

private:
    struct Job {
        JobFunction function;
        void* argument;
    };

    void RunOne();

    CBoundedQueue<Job> jobs;
    CSemaphore queued;
};
