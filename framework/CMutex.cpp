#include "framework/CMutex.h"

CMutex::CMutex() = default;

CMutex::~CMutex()
{
    if (depth.load(std::memory_order_relaxed) > 0)
        mutex.Unlock();
}

void CMutex::Lock()
{
    mutex.Lock();
    depth.fetch_add(1, std::memory_order_relaxed);
}

bool CMutex::TryLock()
{
    if (mutex.TryLock() != 0)
        return false;
    depth.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void CMutex::Unlock()
{
    depth.fetch_sub(1, std::memory_order_relaxed);
    mutex.Unlock();
}

bool CMutex::IsLocked()
{
    return depth.load(std::memory_order_relaxed) > 0;
}
