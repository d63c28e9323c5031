#include "audio/CAudioOutputDriver.h"
#include <cstring>

void SilenceCallback(int32_t channels, double** buffers, int32_t frames)
{
    for (int32_t j = 0; j < channels; ++j)
        std::memset(buffers[j], 0, sizeof(double) * static_cast<size_t>(frames));
}
