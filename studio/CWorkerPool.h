#pragma once
#include "framework/CBoundedQueue.h"
#include "framework/CSemaphore.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CMachineContainer;
class CWorkThread;

// The render cycle's worker threads, shared by every machine of a studio:
// one fewer than the processors (at least one), since the driver's thread
// works too. Jobs are machine containers in one shared queue; any worker,
// or a consumer waiting for a source, runs the next queued one.
//
// Design note: a worker thread per machine let 64 machines make 64 threads
// fight over 2 cores, each job a wake-up of its own. Here a block wakes at
// most as many workers as jobs were queued, and only sleeping ones; workers
// poll the queue briefly before they sleep again, so the jobs of one block
// flow to threads that are already awake.
//
// The workers run one step above normal (real-time where granted), and at
// the real-time priority of the thread that renders when that is higher
// (a JACK server started with a high priority): a worker below its driver
// thread would wait behind every other real-time thread of the system.
class CWorkerPool {
public:
    // `threads` <= 0: one fewer than the processors, at least one.
    explicit CWorkerPool(int threads = 0);
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    int ThreadCount() const { return static_cast<int>(threads.size()); }

    // Queues the container's job; false when the queue is full (never with
    // the graphs a studio can hold; the caller then runs the job itself).
    // Never allocates, never blocks.
    bool Push(CMachineContainer* container);
    // Gives the workers that real-time priority (0: normal scheduling);
    // nothing to do when it is theirs already.
    void FollowPriority(int realtimePriority);
    int GetPriority() const { return priority.load(std::memory_order_relaxed); }

    // Wakes up to `jobs` sleeping workers.
    void Wake(int jobs);
    // Takes the next queued job; null when the queue is empty.
    CMachineContainer* Pop();
    bool HasJobs() const;
    // At the end of a block: takes the entries whose jobs their consumers
    // ran themselves and waits until no worker touches a container any
    // more, so that a machine removed after the block is not reached.
    void Quiesce();

    // How long a thread polls for work before it sleeps.
    static constexpr int64_t kSpinNs = 30'000;

private:
    friend class CWorkThread;
    // One round of a worker: run queued jobs, poll briefly, then sleep
    // until woken. False once the pool is stopping.
    bool WorkRound();

    CBoundedQueue<CMachineContainer*> queue;
    alignas(64) std::atomic<int> sleepers{0};
    // Workers between taking an entry and finishing its job.
    std::atomic<int> busy{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> priority{0};
    CSemaphore wake;
    std::vector<std::unique_ptr<CWorkThread>> threads;
};
