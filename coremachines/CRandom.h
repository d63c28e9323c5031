#pragma once
// The pseudo-random source of the library's machines: rand()'s range
// (0..32767) and formula, but with the state owned by one machine, so that
// machines on different audio threads neither share state nor take the C
// library's lock.
#include <cstdint>

class CRandom {
public:
    explicit CRandom(uint32_t seed = 1) : state(seed) {}

    void Seed(uint32_t seed) { state = seed; }

    // 0..32767
    int32_t Next()
    {
        state = state * 1103515245u + 12345u;
        return static_cast<int32_t>((state >> 16) & 0x7fff);
    }

    // Uniform in [-1, 1], as the LFO random shapes draw it.
    double Bipolar() { return (Next() / 32767.0 - 0.5) * 2.0; }

    // Uniform in [-1, 1], as noise draws it.
    double Noise() { return Next() / 16383.5 - 1.0; }

private:
    uint32_t state;
};
