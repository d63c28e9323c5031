#pragma once
#include <cstdint>

// Block sizes of the "Null" and "Wave Out" drivers are multiples of 512
// within a driver's range.

// As read from the options: a value below the range is implausible and
// gives the driver's default rather than the minimum.
int32_t StoredBufferSize(int32_t stored, int32_t minimum, int32_t maximum, int32_t fallback);
// As set in the options dialog: clamped to the range.
int32_t ClampedBufferSize(int32_t size, int32_t minimum, int32_t maximum);
