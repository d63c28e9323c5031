#pragma once
#include "framework/CAlertableThread.h"
#include <atomic>

// The worker thread of one machine container: one step above normal
// priority, spending its life in the alertable 50 ms sleep so that a job
// queued to it runs at once.
class CWorkThread : public CAlertableThread {
public:
    CWorkThread();
    // Wakes the sleep with an empty job, so that the thread ends at once
    // instead of after the rest of its 50 ms.
    ~CWorkThread() override;

    // The thread loop ends on its own flag: the base loop hands its mutex to
    // a waiting locker by yielding, and at raised (real-time) priority a
    // yield does not let an ordinary thread run, which made each end of a
    // worker take tens of milliseconds.
    void Run() override;

private:
    std::atomic<bool> stopping{false};
};
