#pragma once
#include <cstdint>

// Processor features detected at start-up and handed to every machine
// library through CHost::GetCPUFlags.
enum FeatureFlags : int32_t {
    FEATURE_MMX = 1,
    FEATURE_SSE = 2,
    FEATURE_SSE2 = 4,
    FEATURE_3DNOW = 8,
};
