#include "platform/OsCpu.h"
#include "framework/FeatureFlags.h"

namespace platform {

int32_t DetectFeatureFlags()
{
    int32_t flags = 0;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("mmx"))
        flags |= FEATURE_MMX;
    if (__builtin_cpu_supports("sse"))
        flags |= FEATURE_SSE;
    if (__builtin_cpu_supports("sse2"))
        flags |= FEATURE_SSE2;
#endif
    return flags;
}

} // namespace platform
