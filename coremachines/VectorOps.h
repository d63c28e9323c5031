#pragma once
// Block arithmetic for the synthesizers. Each operation takes the processor
// feature word: with FEATURE_SSE2 it runs two lanes at a time, otherwise one;
// both paths give bit-identical results (the same IEEE operations in the
// same order per element, no fused multiply-add).
#include <cstdint>

namespace VectorOps {

// buffer[i] += value
void AddConstant(int32_t cpuFlags, double* buffer, int32_t count, double value);

// assign: destination[i] = source[i] * factor; else destination[i] += source[i] * factor
void ScaleAccumulate(int32_t cpuFlags, double* destination, const double* source, int32_t count, double factor,
                     bool assign);

// destination[i] *= 1 + source[i] * depth (amplitude modulation)
void Modulate(int32_t cpuFlags, double* destination, const double* source, int32_t count, double depth);

// destination[i] *= source[i]
void Multiply(int32_t cpuFlags, double* destination, const double* source, int32_t count);

// buffer[i] = value
void Fill(double* buffer, int32_t count, double value);

} // namespace VectorOps
