#include "studio/CVSTIdleThread.h"
#include "platform/OsThread.h"
#include "studio/CVSTAdapterList.h"

namespace {
constexpr int kIdleIntervalMs = 10;
constexpr int kIdlePriority = -1;
} // namespace

CVSTIdleThread::CVSTIdleThread()
{
    SetPriority(kIdlePriority);
}

CVSTIdleThread::~CVSTIdleThread()
{
    Terminate();
}

void CVSTIdleThread::Process()
{
    CVSTAdapterList::Get().IdleRound();
    platform::SleepMilliseconds(kIdleIntervalMs);
}
