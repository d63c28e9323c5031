#include "audio/BufferSize.h"

int32_t StoredBufferSize(int32_t stored, int32_t minimum, int32_t maximum, int32_t fallback)
{
    return stored < minimum ? fallback : ClampedBufferSize(stored, minimum, maximum);
}

int32_t ClampedBufferSize(int32_t size, int32_t minimum, int32_t maximum)
{
    if (size < minimum)
        size = minimum;
    if (size > maximum)
        size = maximum;
    return size / 512 * 512;
}
