// The demo song made at build time, rendered by the program as a user would
// (`velmora-studio --render`) with the core machines from its "PlugIns":
// every machine is found, the song has its length, each part is heard where
// the arrangement places it, and nothing clips.
#include "audio/CStudioOptions.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/WaveReader.h"
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

// 118 BPM, 4 ticks per beat at 44100 Hz: 5605 frames per tick, 16 ticks a bar.
constexpr size_t kBarFrames = 16 * 5605;
constexpr size_t kBars = 21;

double BarsLevel(const WaveFile& wave, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t frame = from * kBarFrames; frame < to * kBarFrames; ++frame)
        for (int channel = 0; channel < 2; ++channel)
            sum += static_cast<double>(wave.At(frame, channel)) * wave.At(frame, channel);
    return std::sqrt(sum / static_cast<double>(2 * (to - from) * kBarFrames));
}

TEST(DemoSongTest, RendersEveryPartWhereTheArrangementPlacesIt)
{
    TempFolder temp;
    temp.MakeFolder("config/Velmora Studio");
    CStudioOptions options;
    options.pluginPaths.clear(); // the core machines alone
    ASSERT_TRUE(options.WriteTo(temp / "config/Velmora Studio/Velmora.opt"));
    const std::string output = temp / "demo.wav";
    const ProgramRun run = RunProgram("env -u VST_PATH HOME='" + temp.MakeFolder("home") + "' XDG_CONFIG_HOME='" +
                                      temp / "config" + "' '" + VELMORA_BIN_DIR + "/velmora-studio' --render '" +
                                      VELMORA_BIN_DIR + "/Songs/Demo.vmp' '" + output + "' 2>&1");
    ASSERT_TRUE(WIFEXITED(run.status));
    // 2 would name machines of the song that the library no longer has.
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << (run.lines.empty() ? "" : run.lines.back());

    const WaveFile wave = ReadWave(output);
    ASSERT_TRUE(wave.valid);
    ASSERT_EQ(wave.channels, 2);
    ASSERT_EQ(wave.Frames(), kBars * kBarFrames);
    float peak = 0.0f;
    for (float sample : wave.samples) {
        ASSERT_TRUE(std::isfinite(sample));
        peak = std::max(peak, std::abs(sample));
    }
    EXPECT_LT(peak, 0.9f);
    EXPECT_GT(peak, 0.1f);

    // Chords alone, then the bass joins, then the lead; the chords alone
    // again, and a last bar where only the echoes ring.
    const double intro = BarsLevel(wave, 0, 4);
    const double groove = BarsLevel(wave, 4, 8);
    const double theme = BarsLevel(wave, 8, 16);
    const double outro = BarsLevel(wave, 16, 20);
    const double tail = BarsLevel(wave, 20, 21);
    EXPECT_GT(intro, 0.01);
    EXPECT_GT(groove, intro * 1.3);
    EXPECT_GT(theme, groove * 1.05);
    EXPECT_NEAR(outro, intro, intro * 0.2);
    EXPECT_LT(tail, outro * 0.5);
    EXPECT_GT(tail, 0.0);
}

} // namespace
