#include "audio/SampleConversion.h"

namespace {

template <typename T>
T Quantize(double x, double negativeScale, double positiveScale, T lowest, T highest)
{
    if (x != x)
        return 0;
    if (x <= -1.0)
        return lowest;
    if (x < 0.0)
        return static_cast<T>(x * negativeScale);
    if (x < 1.0)
        return static_cast<T>(x * positiveScale);
    return highest;
}

} // namespace

int16_t QuantizeTo16(double x)
{
    return Quantize<int16_t>(x, 32768.0, 32767.0, -32768, 32767);
}

uint8_t QuantizeTo8(double x)
{
    return static_cast<uint8_t>(Quantize<int8_t>(x, 128.0, 127.0, -128, 127) + 128);
}

int32_t QuantizeTo32(double x)
{
    return Quantize<int32_t>(x, 2147483648.0, 2147483647.0, INT32_MIN, INT32_MAX);
}
