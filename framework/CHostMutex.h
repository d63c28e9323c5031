#pragma once
#include "platform/OsMutex.h"
#include <atomic>
#include <cstdint>

// Mutex with a one-bit locked flag instead of a depth: a second Unlock after
// a double Lock raises "Mutex Not Locked, Can't Release". Used by editors,
// drivers, recorder tracks and every worker thread.
class CHostMutex {
public:
    CHostMutex();
    ~CHostMutex();
    CHostMutex(const CHostMutex&) = delete;
    CHostMutex& operator=(const CHostMutex&) = delete;

    void Lock();
    void Unlock();
    bool IsLocked() const { return locked.load(std::memory_order_relaxed); }

    // Threads blocked in Lock right now (lets a thread loop hand the
    // mutex over instead of re-taking it at once).
    int32_t Waiters() const { return waiters.load(std::memory_order_acquire); }

private:
    platform::Mutex mutex;
    std::atomic<bool> locked{false};
    std::atomic<int32_t> waiters{0};
};
