#include "coremachines/VectorOps.h"
#include "framework/FeatureFlags.h"
#include <emmintrin.h>

namespace VectorOps {

namespace {

bool UseSse2(int32_t cpuFlags)
{
    return (cpuFlags & FEATURE_SSE2) != 0;
}

} // namespace

void AddConstant(int32_t cpuFlags, double* buffer, int32_t count, double value)
{
    int32_t i = 0;
    if (UseSse2(cpuFlags)) {
        const __m128d x = _mm_set1_pd(value);
        for (; i + 2 <= count; i += 2)
            _mm_storeu_pd(buffer + i, _mm_add_pd(_mm_loadu_pd(buffer + i), x));
    }
    for (; i < count; ++i)
        buffer[i] += value;
}

void ScaleAccumulate(int32_t cpuFlags, double* destination, const double* source, int32_t count, double factor,
                     bool assign)
{
    int32_t i = 0;
    if (UseSse2(cpuFlags)) {
        const __m128d x = _mm_set1_pd(factor);
        if (assign) {
            for (; i + 2 <= count; i += 2)
                _mm_storeu_pd(destination + i, _mm_mul_pd(_mm_loadu_pd(source + i), x));
        } else {
            for (; i + 2 <= count; i += 2) {
                __m128d product = _mm_mul_pd(_mm_loadu_pd(source + i), x);
                _mm_storeu_pd(destination + i, _mm_add_pd(_mm_loadu_pd(destination + i), product));
            }
        }
    }
    if (assign) {
        for (; i < count; ++i)
            destination[i] = source[i] * factor;
    } else {
        for (; i < count; ++i)
            destination[i] += source[i] * factor;
    }
}

void Modulate(int32_t cpuFlags, double* destination, const double* source, int32_t count, double depth)
{
    int32_t i = 0;
    if (UseSse2(cpuFlags)) {
        const __m128d x = _mm_set1_pd(depth);
        const __m128d one = _mm_set1_pd(1.0);
        for (; i + 2 <= count; i += 2) {
            __m128d gain = _mm_add_pd(one, _mm_mul_pd(_mm_loadu_pd(source + i), x));
            _mm_storeu_pd(destination + i, _mm_mul_pd(_mm_loadu_pd(destination + i), gain));
        }
    }
    for (; i < count; ++i)
        destination[i] *= 1.0 + source[i] * depth;
}

void Multiply(int32_t cpuFlags, double* destination, const double* source, int32_t count)
{
    int32_t i = 0;
    if (UseSse2(cpuFlags)) {
        for (; i + 2 <= count; i += 2)
            _mm_storeu_pd(destination + i, _mm_mul_pd(_mm_loadu_pd(destination + i), _mm_loadu_pd(source + i)));
    }
    for (; i < count; ++i)
        destination[i] *= source[i];
}

void Fill(double* buffer, int32_t count, double value)
{
    for (int32_t i = 0; i < count; ++i)
        buffer[i] = value;
}

} // namespace VectorOps
