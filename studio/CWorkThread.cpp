#include "studio/CWorkThread.h"

namespace {
void Nothing(void*) {}
} // namespace

CWorkThread::CWorkThread() : CAlertableThread(256)
{
    SetPriority(1);
    Resume();
}

CWorkThread::~CWorkThread()
{
    stopping.store(true, std::memory_order_release);
    QueueJob(Nothing, nullptr);
    Terminate();
}

void CWorkThread::Process()
{
    // While stopping, pass briefly instead of sleeping out the 50 ms, but
    // never spin: at raised priority a spin could starve the stopping thread.
    AlertableSleep(stopping.load(std::memory_order_acquire) ? 1 : 50);
}
