#include "framework/CSemaphore.h"
#include "framework/Errors.h"
#include <cerrno>

CSemaphore::CSemaphore(int32_t initial, int32_t maximum) : semaphore(initial, maximum)
{
    if (int error = semaphore.CreationError())
        Raise("Can't Create Semaphore, Error Code 0x%x", static_cast<unsigned>(error));
}

void CSemaphore::Wait()
{
    if (int result = semaphore.Wait())
        Raise("Can't Lock Semaphore, Error Code 0x%x", static_cast<unsigned>(result));
}

bool CSemaphore::WaitFor(int milliseconds)
{
    int result = semaphore.WaitFor(milliseconds);
    if (result == ETIMEDOUT)
        return false;
    if (result != 0)
        Raise("Can't Lock Semaphore, Error Code 0x%x", static_cast<unsigned>(result));
    return true;
}

bool CSemaphore::TryWait()
{
    int result = semaphore.TryWait();
    if (result == EAGAIN)
        return false;
    if (result != 0)
        Raise("Can't Lock Semaphore, Error Code 0x%x", static_cast<unsigned>(result));
    return true;
}

void CSemaphore::Release()
{
    Release(1);
}

void CSemaphore::Release(int32_t count)
{
    if (int result = semaphore.Release(count))
        Raise("Can't Release Semaphore, Error Code 0x%x", static_cast<unsigned>(result));
}
