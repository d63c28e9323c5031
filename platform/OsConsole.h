#pragma once
#include <cstdio>

namespace platform {

// True when the stream is a terminal (progress lines are only drawn there).
bool IsTerminal(std::FILE* stream);

} // namespace platform
