#include "app/CGraphicsThread.h"
#include "framework/CMutex.h"
#include "platform/OsThread.h"

CGraphicsThread::CGraphicsThread()
{
    SetPriority(-1);
}

CGraphicsThread::~CGraphicsThread()
{
    Terminate();
}

void CGraphicsThread::AddView(std::function<void()> refresh)
{
    CLockGuard lock(*this);
    views.push_back(std::move(refresh));
}

void CGraphicsThread::RefreshAll()
{
    for (auto& refresh : views)
        refresh();
    passes.fetch_add(1, std::memory_order_relaxed);
}

void CGraphicsThread::Process()
{
    if (!named) {
        platform::SetCurrentThreadName("velmora-gfx");
        named = true;
    }
    RefreshAll();
    platform::SleepMicroseconds(kPeriodMilliseconds * 1000);
}
