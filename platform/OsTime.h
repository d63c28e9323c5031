#pragma once
#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock (wraps like a 32-bit tick counter).
uint32_t GetTickCount();

// Nanoseconds of a monotonic clock.
int64_t PerformanceCounterNs();

} // namespace platform
