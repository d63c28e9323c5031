#pragma once
#include <atomic>
#include <pthread.h>

namespace platform {

// Recursive mutex that reports failures as codes instead of undefined
// behaviour: an unlock by a thread that does not own it answers EPERM, and
// destruction by the owner releases whatever the owner still holds.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    int CreationError() const { return creationError; }
    int Lock();
    // EBUSY when another thread holds the mutex.
    int TryLock();
    int Unlock();
    bool IsOwnedByCaller() const;

private:
    pthread_mutex_t mutex;
    std::atomic<pthread_t> owner{};
    std::atomic<bool> owned{false};
    int depth = 0; // touched only by the owner
    int creationError = 0;
};

} // namespace platform
