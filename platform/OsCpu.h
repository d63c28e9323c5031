#pragma once
#include <cstdint>

namespace platform {

// The processor's features as the studio's FeatureFlags word.
int32_t DetectFeatureFlags();

} // namespace platform
