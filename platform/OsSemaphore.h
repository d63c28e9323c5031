#pragma once
#include <semaphore.h>
#include <cstdint>

namespace platform {

// Counting semaphore with a maximum count; results are 0 or an errno code.
class Semaphore {
public:
    Semaphore(int32_t initial, int32_t maximum);
    ~Semaphore();
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    int CreationError() const { return creationError; }
    int Wait();
    // ETIMEDOUT when nothing arrived within the time.
    int WaitFor(int milliseconds);
    // EAGAIN when nothing is available.
    int TryWait();
    // EOVERFLOW when the count would pass the maximum.
    int Release(int32_t count);
    int32_t Value();

private:
    sem_t sem;
    int32_t maximum;
    int creationError = 0;
};

} // namespace platform
