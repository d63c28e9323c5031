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

void CWorkThread::Run()
{
    while (!stopping.load(std::memory_order_acquire)) {
        Lock();
        Process();
        Unlock();
    }
}
