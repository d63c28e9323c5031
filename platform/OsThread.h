#pragma once
#include <pthread.h>
#include <sys/types.h>

namespace platform {

// Thread priorities are given as the design's levels: 0 normal, +1 one step
// above (real-time scheduling when permitted, else a lower nice value), -1
// one step below (a higher nice value). Best effort: failure is no error.
void SetCurrentThreadPriority(int level);
void SetThreadPriority(pthread_t thread, pid_t tid, int level);

pid_t CurrentThreadId();

// Names the calling thread for the system's tools (at most 15 characters).
void SetCurrentThreadName(const char* name);

// Yields the processor to other runnable threads.
void YieldProcessor();

void SleepMilliseconds(int milliseconds);
void SleepMicroseconds(int microseconds);

int ProcessorCount();

} // namespace platform
