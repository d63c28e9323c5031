#include "studio/CWorkerPool.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"
#include "studio/CMachineContainer.h"
#include "studio/CWorkThread.h"

namespace {

// More than the cables of any studio a user builds: a block queues one
// entry per waited-for cable.
constexpr size_t kCapacity = 8192;

} // namespace

CWorkerPool::CWorkerPool(int count)
    : queue(kCapacity), priority(platform::DefaultRealtimePriority()), wake(0, 0x7fffffff)
{
    if (count <= 0)
        count = platform::ProcessorCount() - 1;
    if (count < 1)
        count = 1;
    for (int i = 0; i < count; ++i)
        threads.push_back(std::make_unique<CWorkThread>(*this));
}

CWorkerPool::~CWorkerPool()
{
    stopping.store(true, std::memory_order_release);
    wake.Release(static_cast<int32_t>(threads.size()));
    threads.clear();
}

bool CWorkerPool::Push(CMachineContainer* container)
{
    return queue.TryPush(container);
}

CMachineContainer* CWorkerPool::Pop()
{
    CMachineContainer* container = nullptr;
    return queue.TryPop(container) ? container : nullptr;
}

bool CWorkerPool::HasJobs() const
{
    return queue.HasValues();
}

void CWorkerPool::FollowPriority(int realtimePriority)
{
    if (priority.exchange(realtimePriority, std::memory_order_relaxed) == realtimePriority)
        return;
    for (auto& thread : threads)
        thread->SetRealtimePriority(realtimePriority);
}

void CWorkerPool::Wake(int jobs)
{
    int asleep = sleepers.load(std::memory_order_acquire);
    while (jobs > 0 && asleep > 0) {
        if (sleepers.compare_exchange_weak(asleep, asleep - 1, std::memory_order_acq_rel)) {
            wake.Release();
            --jobs;
        }
    }
}

void CWorkerPool::Quiesce()
{
    while (CMachineContainer* container = Pop())
        container->RunQueued(false);
    while (busy.load(std::memory_order_seq_cst) != 0)
        platform::CpuPause();
}

bool CWorkerPool::WorkRound()
{
    if (stopping.load(std::memory_order_acquire))
        return false;
    busy.fetch_add(1, std::memory_order_seq_cst);
    if (CMachineContainer* container = Pop()) {
        container->RunQueued(true);
        busy.fetch_sub(1, std::memory_order_release);
        return true;
    }
    busy.fetch_sub(1, std::memory_order_release);
    const int64_t start = platform::PerformanceCounterNs();
    while (platform::PerformanceCounterNs() - start < kSpinNs) {
        if (HasJobs() || stopping.load(std::memory_order_acquire))
            return true;
        platform::CpuPause();
    }
    sleepers.fetch_add(1, std::memory_order_acq_rel);
    // A job queued after the last look but before the count went up woke
    // nobody: look once more before sleeping.
    if (HasJobs() || stopping.load(std::memory_order_acquire)) {
        int asleep = sleepers.load(std::memory_order_acquire);
        while (asleep > 0) {
            if (sleepers.compare_exchange_weak(asleep, asleep - 1, std::memory_order_acq_rel))
                return true;
        }
        // A waker counted this thread out already: take its wake-up.
    }
    wake.Wait();
    return true;
}
