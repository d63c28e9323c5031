#pragma once
#include "platform/OsSemaphore.h"
#include <cstdint>

// Counting semaphore; every failure raises with the system's code.
class CSemaphore {
public:
    CSemaphore(int32_t initial, int32_t maximum);
    CSemaphore(const CSemaphore&) = delete;
    CSemaphore& operator=(const CSemaphore&) = delete;

    void Wait();
    // False when nothing arrived within the time.
    bool WaitFor(int milliseconds);
    bool TryWait();
    void Release();
    void Release(int32_t count);
    int32_t Count() { return semaphore.Value(); }

private:
    platform::Semaphore semaphore;
};
