#include "framework/CAlertableThread.h"
#include "platform/OsThread.h"

namespace {

size_t RoundUpToPowerOfTwo(size_t n)
{
    size_t p = 2;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

CAlertableThread::CAlertableThread(size_t capacity)
    : cells(new Cell[RoundUpToPowerOfTwo(capacity)]),
      mask(RoundUpToPowerOfTwo(capacity) - 1),
      queued(0, 0x7fffffff)
{
    for (size_t i = 0; i <= mask; ++i)
        cells[i].sequence.store(i, std::memory_order_relaxed);
}

CAlertableThread::~CAlertableThread()
{
    Terminate();
}

// Bounded multi-producer queue: each cell's sequence number tells producers
// and the consumer whose turn the cell is.
void CAlertableThread::QueueJob(JobFunction function, void* argument)
{
    size_t position = enqueuePosition.load(std::memory_order_relaxed);
    Cell* cell;
    for (;;) {
        cell = &cells[position & mask];
        size_t sequence = cell->sequence.load(std::memory_order_acquire);
        auto difference = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
        if (difference == 0) {
            if (enqueuePosition.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                break;
        } else if (difference < 0) {
            // Full: only a runaway producer gets here; wait for the consumer.
            platform::YieldProcessor();
            position = enqueuePosition.load(std::memory_order_relaxed);
        } else {
            position = enqueuePosition.load(std::memory_order_relaxed);
        }
    }
    cell->function = function;
    cell->argument = argument;
    cell->sequence.store(position + 1, std::memory_order_release);
    queued.Release();
}

bool CAlertableThread::Pop(JobFunction& function, void*& argument)
{
    size_t position = dequeuePosition.load(std::memory_order_relaxed);
    Cell* cell;
    for (;;) {
        cell = &cells[position & mask];
        size_t sequence = cell->sequence.load(std::memory_order_acquire);
        auto difference = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position + 1);
        if (difference == 0) {
            if (dequeuePosition.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                break;
        } else if (difference < 0) {
            return false;
        } else {
            position = dequeuePosition.load(std::memory_order_relaxed);
        }
    }
    function = cell->function;
    argument = cell->argument;
    cell->sequence.store(position + mask + 1, std::memory_order_release);
    return true;
}

void CAlertableThread::RunOne()
{
    JobFunction function = nullptr;
    void* argument = nullptr;
    // The semaphore count is released after the cell is published, so a
    // taken count always finds its job.
    while (!Pop(function, argument))
        platform::YieldProcessor();
    function(argument);
}

bool CAlertableThread::AlertableSleep(int milliseconds)
{
    if (!queued.WaitFor(milliseconds))
        return false;
    RunOne();
    while (queued.TryWait())
        RunOne();
    return true;
}

void CAlertableThread::Process()
{
    AlertableSleep(50);
}
