#pragma once
#include "framework/CThread.h"

class CWorkerPool;

// One worker thread of the render cycle's pool: running machine jobs from
// the pool's queue and sleeping when there are none, at the priority the
// pool gives it (see CWorkerPool).
class CWorkThread : public CThread {
public:
    explicit CWorkThread(CWorkerPool& pool);
    // The pool has stopped and woken it first.
    ~CWorkThread() override;

    // The loop ends when the pool stops: the base loop hands its mutex to a
    // waiting locker by sleeping between rounds, which a worker polling at
    // real-time priority must not do.
    void Run() override;
    void Process() override;

private:
    CWorkerPool& pool;
};
