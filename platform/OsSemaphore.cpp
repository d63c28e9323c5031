#include "platform/OsSemaphore.h"
#include <cerrno>
#include <ctime>

namespace platform {

Semaphore::Semaphore(int32_t initial, int32_t maximum) : maximum(maximum)
{
    if (initial < 0 || maximum <= 0 || initial > maximum)
        creationError = EINVAL;
    else if (sem_init(&sem, 0, static_cast<unsigned>(initial)) != 0)
        creationError = errno;
}

Semaphore::~Semaphore()
{
    if (creationError == 0)
        sem_destroy(&sem);
}

int Semaphore::Wait()
{
    while (sem_wait(&sem) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int Semaphore::WaitFor(int milliseconds)
{
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (sem_clockwait(&sem, CLOCK_MONOTONIC, &deadline) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int Semaphore::TryWait()
{
    while (sem_trywait(&sem) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int Semaphore::Release(int32_t count)
{
    if (count <= 0)
        return EINVAL;
    // The maximum check is advisory under concurrent releases, as the only
    // callers that get near it are programming errors.
    if (Value() > maximum - count)
        return EOVERFLOW;
    for (int32_t i = 0; i < count; ++i) {
        if (sem_post(&sem) != 0)
            return errno;
    }
    return 0;
}

int32_t Semaphore::Value()
{
    int value = 0;
    sem_getvalue(&sem, &value);
    return value;
}

} // namespace platform
