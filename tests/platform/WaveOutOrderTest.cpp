// The device list as a desktop's ALSA configuration gives it, in a process
// of its own (the list is made once per process).
#include "platform/OsWaveOut.h"
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace platform;

namespace {

const bool environment = setenv("ALSA_CONFIG_PATH", VELMORA_SOURCE_DIR "/tests/platform/DesktopDevices.conf", 1) == 0;

TEST(WaveOutOrderTest, TheSystemDefaultComesFirstAndTheSilentDeviceLast)
{
    ASSERT_TRUE(environment);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < WaveOutGetNumDevs(); ++i) {
        WaveOutCaps caps;
        ASSERT_EQ(WaveOutGetDevCaps(i, &caps), WAVE_NOERROR);
        names.push_back(caps.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"default", "velmora_card", "null"}));
}

} // namespace
