#include "framework/CHostMutex.h"
#include "framework/Errors.h"

CHostMutex::CHostMutex()
{
    if (int error = mutex.CreationError())
        Raise("Can't Create Mutex, Error Code 0x%x", static_cast<unsigned>(error));
}

CHostMutex::~CHostMutex() = default;

void CHostMutex::Lock()
{
    waiters.fetch_add(1, std::memory_order_acq_rel);
    int result = mutex.Lock();
    waiters.fetch_sub(1, std::memory_order_acq_rel);
    if (result != 0)
        Raise("Can't Lock Mutex, Error Code 0x%x", static_cast<unsigned>(result));
    locked.store(true, std::memory_order_relaxed);
}

void CHostMutex::Unlock()
{
    if (!locked.load(std::memory_order_relaxed))
        Raise("Mutex Not Locked, Can't Release");
    locked.store(false, std::memory_order_relaxed);
    if (mutex.Unlock() != 0)
        Raise("Can't Release Mutex");
}
