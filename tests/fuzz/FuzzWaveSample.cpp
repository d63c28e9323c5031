// The mono 16-bit WAV reader.
#include "app/readers/CWaveSample.h"
#include "framework/Errors.h"
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CWaveSample sample;
    try {
        sample.ReadMemory(data, size, "fuzz.wav");
    } catch (const CError&) {
        if (sample.Count() != 0)
            std::abort();
        return 0;
    }
    for (int32_t i = 0; i < sample.Count(); ++i) {
        if (!(std::fabs(sample.Samples()[i]) <= 1.0))
            std::abort();
    }
    return 0;
}
