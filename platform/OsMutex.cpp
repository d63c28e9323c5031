#include "platform/OsMutex.h"
#include <cerrno>

namespace platform {

Mutex::Mutex()
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    creationError = pthread_mutex_init(&mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

Mutex::~Mutex()
{
    if (creationError != 0)
        return;
    // Closing a mutex abandons it; its owner's remaining holds go with it.
    while (IsOwnedByCaller())
        Unlock();
    pthread_mutex_destroy(&mutex);
}

bool Mutex::IsOwnedByCaller() const
{
    return owned.load(std::memory_order_acquire) && pthread_equal(owner.load(std::memory_order_acquire), pthread_self());
}

int Mutex::Lock()
{
    int result = pthread_mutex_lock(&mutex);
    if (result != 0)
        return result;
    if (depth++ == 0) {
        owner.store(pthread_self(), std::memory_order_release);
        owned.store(true, std::memory_order_release);
    }
    return 0;
}

int Mutex::TryLock()
{
    int result = pthread_mutex_trylock(&mutex);
    if (result != 0)
        return result;
    if (depth++ == 0) {
        owner.store(pthread_self(), std::memory_order_release);
        owned.store(true, std::memory_order_release);
    }
    return 0;
}

int Mutex::Unlock()
{
    if (!IsOwnedByCaller())
        return EPERM;
    if (--depth == 0)
        owned.store(false, std::memory_order_release);
    return pthread_mutex_unlock(&mutex);
}

} // namespace platform
