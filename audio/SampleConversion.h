#pragma once
#include <cstdint>

// Quantisation of the studio's samples for integer devices. Negative and
// positive halves scale differently (by 2^(n-1) and 2^(n-1) - 1), values
// truncate toward zero, and everything at or beyond full scale saturates.
// A NaN (a misbehaving machine) becomes silence.
int16_t QuantizeTo16(double x);
// Unsigned 8-bit PCM: the signed 8-bit value offset by 128 (silence 128).
uint8_t QuantizeTo8(double x);
int32_t QuantizeTo32(double x);
