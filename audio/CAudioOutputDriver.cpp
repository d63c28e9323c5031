#include "audio/CAudioOutputDriver.h"
#include "framework/Errors.h"
#include <cstring>

void SilenceCallback(int32_t channels, double** buffers, int32_t frames)
{
    for (int32_t j = 0; j < channels; ++j)
        std::memset(buffers[j], 0, sizeof(double) * static_cast<size_t>(frames));
}

void CAudioOutputDriver::SetFailureHandler(FailureHandler handler, void* context)
{
    failureContext.store(context, std::memory_order_relaxed);
    failureHandler.store(handler, std::memory_order_release);
}

void CAudioOutputDriver::ReportFailure(const char* reason)
{
    if (FailureHandler handler = failureHandler.load(std::memory_order_acquire))
        handler(failureContext.load(std::memory_order_relaxed), this, reason);
    else
        Show("%s", reason);
}
