#pragma once
#include "framework/CAlertableThread.h"
#include <atomic>

// The worker thread of one machine container: one step above normal
// priority, spending its life in the alertable 50 ms sleep so that a job
// queued to it runs at once.
class CWorkThread : public CAlertableThread {
public:
    CWorkThread();
    // Wakes the sleep so that the thread ends at once instead of after the
    // rest of its 50 ms.
    ~CWorkThread() override;

    void Process() override;

private:
    std::atomic<bool> stopping{false};
};
