#pragma once
#include "platform/OsMutex.h"
#include <atomic>
#include <cstdint>

// Recursive machine lock with a depth. Base of every machine (through
// CBankClient), of the studio and of the bank server.
class CMutex {
public:
    CMutex();
    virtual ~CMutex();
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    virtual void Lock();
    virtual void Unlock();
    virtual bool IsLocked();

    // Takes the lock only when nobody else holds it. Not a virtual
    // operation: the slot order is shared with machine libraries.
    bool TryLock();

private:
    platform::Mutex mutex;
    std::atomic<int32_t> depth{0};
};

// Holds a CMutex (or anything with Lock/Unlock) for a scope.
template <typename M>
class CLockGuard {
public:
    explicit CLockGuard(M& m) : m(m) { m.Lock(); }
    ~CLockGuard() { m.Unlock(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    M& m;
};
