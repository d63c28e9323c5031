#include "framework/CAlertableThread.h"
#include "platform/OsThread.h"

CAlertableThread::CAlertableThread(size_t capacity) : jobs(capacity), queued(0, 0x7fffffff) {}

CAlertableThread::~CAlertableThread()
{
    Terminate();
}

void CAlertableThread::QueueJob(JobFunction function, void* argument)
{
    // Full: only a runaway producer gets here; wait for the consumer.
    while (!jobs.TryPush(Job{function, argument}))
        platform::YieldProcessor();
    queued.Release();
}

void CAlertableThread::RunOne()
{
    Job job{};
    // The semaphore count is released after the job is queued, so a taken
    // count always finds its job.
    while (!jobs.TryPop(job))
        platform::YieldProcessor();
    job.function(job.argument);
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
