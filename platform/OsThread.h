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
// One pause of a polling loop: lets the sibling hyper-thread run and saves
// power, without giving up the processor.
void CpuPause();

// True once a request for level +1 fell back to a nice value because the
// system refused real-time scheduling (no RLIMIT_RTPRIO, no privilege).
bool RealtimeRefused();
// The calling thread's real-time priority (1..99), 0 when it is not
// scheduled in real time.
int CurrentRealtimePriority();
// The real-time priority that level +1 asks for.
int DefaultRealtimePriority();
// Real-time scheduling at exactly that priority, or normal scheduling for
// 0; a refusal falls back as for level +1.
void SetThreadRealtimePriority(pthread_t thread, pid_t tid, int priority);
// Asks for real-time scheduling of the calling thread; false when refused.
bool RequestRealtime();

// A library that cancels the thread it runs our callbacks on (libjack does,
// asynchronously, when a client closes) must not cut a callback off: it may
// hold locks, or be inside a call that may not be unwound. Between
// HoldCancel and ReleaseCancel a cancel waits; ReleaseCancel lets a pending
// one take effect right there, so it is never called from a destructor (a
// cancel unwinding a destructor ends the program).
int HoldCancel();
void ReleaseCancel(int held);

void SleepMilliseconds(int milliseconds);
void SleepMicroseconds(int microseconds);

int ProcessorCount();

} // namespace platform
