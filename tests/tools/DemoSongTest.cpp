// The demo song made at build time, rendered by the program as a user would
// (`velmora-studio --render`, in blocks of 1024 frames to keep it short) with
// the core machines from its "PlugIns":
// every machine is found, the song has its length, each part is heard where
// the arrangement places it (by the band of the spectrum it owns), the room
// and echo returns are heard (against a copy of the song with the desk's
// returns turned down), and nothing clips.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "audio/CStudioOptions.h"
#include "framework/CMachine.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "coremachines/Measure.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/WaveReader.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <vector>

namespace {

// 118 BPM, 4 ticks per beat at 44100 Hz: 5605 frames per tick, 16 ticks a bar.
constexpr size_t kTickFrames = 5605;
constexpr size_t kBarFrames = 16 * kTickFrames;
constexpr size_t kBars = 33;
constexpr double kRate = 44100.0;
constexpr size_t kWindow = 1 << 16; // 1.49 s of each bar

// Where each part enters.
constexpr size_t kHats = 4, kKick = 6, kBass = 8, kGroove = 12, kLead = 16, kBreak = 20, kReturn = 24, kEnd = 32;

struct Band {
    double low;
    double high;
};
constexpr Band kSub{30, 75};        // the kick below the bass
constexpr Band kBassBand{80, 140};  // the bass's roots, below the chords
constexpr Band kLeadBand{430, 800}; // the lead's notes
constexpr Band kCrack{1200, 5000};  // snare, clap and rim
constexpr Band kAir{8000, 16000};   // hats and cymbals

class DemoSongTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        temp = new TempFolder();
        temp->MakeFolder("config/Velmora Studio");
        CStudioOptions options;
        options.pluginPaths.clear(); // the core machines alone
        ASSERT_TRUE(options.WriteTo(*temp / "config/Velmora Studio/Velmora.opt"));
        const std::string song = std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp";
        wave = new WaveFile(Render(song, "demo.wav"));
    }

    // The same song with both of the desk's returns at their lowest level
    // (−48 dB), saved by the studio itself and rendered.
    static WaveFile RenderWithoutReturns()
    {
        const std::string song = std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp";
        {
            CStudioSession session(44100, 256, [](CVelmHost& host) {
                RegisterBuiltInMachineTypes(host);
                CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(std::string(VELMORA_BIN_DIR) +
                                                                                  "/PlugIns");
            });
            EXPECT_EQ(session.LoadProject(song), 0);
            CMachineContainer* desk = session.Studio().FindByName("Desk");
            if (!desk) {
                ADD_FAILURE() << "no machine 'Desk'";
                return {};
            }
            desk->GetMachine()->SetParameter(56, 0.0); // AUX 1 Level
            desk->GetMachine()->SetParameter(61, 0.0); // AUX 2 Level
            session.SaveProject(*temp / "dry.vmp");
        }
        return Render(*temp / "dry.vmp", "dry.wav");
    }

    static void TearDownTestSuite()
    {
        delete wave;
        delete temp;
        wave = nullptr;
        temp = nullptr;
    }

    static WaveFile Render(const std::string& project, const std::string& name)
    {
        const std::string output = *temp / name;
        const ProgramRun run = RunProgram("env -u VST_PATH HOME='" + temp->MakeFolder("home") + "' XDG_CONFIG_HOME='" +
                                          *temp / "config" + "' '" + VELMORA_BIN_DIR + "/velmora-studio' --render '" +
                                          project + "' '" + output + "' --block 1024 2>&1");
        EXPECT_TRUE(WIFEXITED(run.status));
        // 2 would name machines of the song that the library no longer has.
        EXPECT_EQ(WEXITSTATUS(run.status), 0) << (run.lines.empty() ? "" : run.lines.back());
        return ReadWave(output);
    }

    // Power of a band in the first window of a bar (both sides' mean).
    static double BarBand(size_t bar, Band band)
    {
        std::vector<double> mid(kWindow);
        for (size_t i = 0; i < kWindow; ++i) {
            const size_t frame = bar * kBarFrames + i;
            mid[i] = 0.5 * (static_cast<double>(wave->At(frame, 0)) + wave->At(frame, 1));
        }
        const auto power = measure::PowerSpectrum(mid);
        double sum = 0.0;
        for (size_t k = 0; k < power.size(); ++k) {
            const double hz = static_cast<double>(k) * kRate / kWindow;
            if (hz >= band.low && hz < band.high)
                sum += power[k];
        }
        return sum;
    }
    // Band power of the 4096 frames (93 ms) from a tick of a bar on.
    static double TickBand(size_t bar, size_t tick, Band band)
    {
        std::vector<double> mid(4096);
        for (size_t i = 0; i < mid.size(); ++i) {
            const size_t frame = bar * kBarFrames + tick * kTickFrames + i;
            mid[i] = 0.5 * (static_cast<double>(wave->At(frame, 0)) + wave->At(frame, 1));
        }
        const auto power = measure::PowerSpectrum(mid);
        double sum = 0.0;
        for (size_t k = 0; k < power.size(); ++k) {
            const double hz = static_cast<double>(k) * kRate / static_cast<double>(mid.size());
            if (hz >= band.low && hz < band.high)
                sum += power[k];
        }
        return sum;
    }
    // Backbeat against downbeats: the crack band just after beats two and
    // four over just after beats one and three, over bars [from, to).
    static double Backbeat(size_t from, size_t to)
    {
        double back = 0.0, down = 0.0;
        for (size_t bar = from; bar < to; ++bar) {
            back += TickBand(bar, 4, kCrack) + TickBand(bar, 12, kCrack);
            down += TickBand(bar, 0, kCrack) + TickBand(bar, 8, kCrack);
        }
        std::printf("backbeat over downbeat, bars %zu-%zu: %.1f dB\n", from, to - 1, 10.0 * std::log10(back / down));
        return back / down;
    }
    // Mean band power over bars [from, to).
    static double Section(size_t from, size_t to, Band band)
    {
        double sum = 0.0;
        for (size_t bar = from; bar < to; ++bar)
            sum += BarBand(bar, band);
        return sum / static_cast<double>(to - from);
    }
    static double Ratio(size_t a, size_t b, size_t c, size_t d, Band band)
    {
        const double ratio = Section(c, d, band) / Section(a, b, band);
        std::printf("band %5.0f-%5.0f Hz: bars %zu-%zu over %zu-%zu: %.1f dB\n", band.low, band.high, c, d - 1, a,
                    b - 1, 10.0 * std::log10(ratio));
        return ratio;
    }

    static TempFolder* temp;
    static WaveFile* wave;
};

TempFolder* DemoSongTest::temp = nullptr;
WaveFile* DemoSongTest::wave = nullptr;

} // namespace

TEST_F(DemoSongTest, HasItsLengthNeverClipsAndEachPartEntersWhereItIsPlaced)
{
    ASSERT_TRUE(wave->valid);
    ASSERT_EQ(wave->channels, 2);
    ASSERT_EQ(wave->Frames(), kBars * kBarFrames);
    float peak = 0.0f;
    for (float sample : wave->samples) {
        ASSERT_TRUE(std::isfinite(sample));
        peak = std::max(peak, std::abs(sample));
    }
    EXPECT_LT(peak, 0.9f);
    EXPECT_GT(peak, 0.3f);

    // Every step of the build-up raises the band of the part that joins.
    EXPECT_GT(Ratio(0, kHats, kHats, kKick, kAir), 10.0);        // hats
    EXPECT_GT(Ratio(kHats, kKick, kKick, kBass, kSub), 10.0);    // kick
    EXPECT_GT(Ratio(kKick, kBass, kBass, kGroove, kBassBand), 4.0); // bass
    // Snare and clap: on beats two and four once the groove starts.
    EXPECT_LT(Backbeat(kBass, kGroove), 1.6);
    EXPECT_GT(Backbeat(kGroove + 1, kLead - 1), 3.0); // the crash and fill bars aside
    EXPECT_GT(Ratio(kBass, kGroove, kGroove, kLead, kCrack), 1.5);
    EXPECT_GT(Ratio(kGroove, kLead, kLead, kBreak, kLeadBand), 2.0); // lead
    // The break drops the drums and the lead, keeps the bass.
    EXPECT_LT(Backbeat(kBreak, kReturn), 1.6);
    EXPECT_LT(Ratio(kLead, kBreak, kBreak, kReturn, kAir), 0.01);
    EXPECT_LT(Ratio(kLead, kBreak, kBreak, kReturn, kLeadBand), 0.5);
    EXPECT_NEAR(Ratio(kLead, kBreak, kBreak, kReturn, kBassBand), 1.0, 0.5);
    // Everything returns.
    EXPECT_GT(Backbeat(kReturn + 1, kEnd - 1), 3.0);
    EXPECT_GT(Ratio(kBreak, kReturn, kReturn, kEnd, kAir), 100.0);
    EXPECT_GT(Ratio(kBreak, kReturn, kReturn, kEnd, kLeadBand), 2.0);
    // The chords (and little else) before the hats: the mid band carries.
    EXPECT_GT(Section(0, kHats, {200, 1000}), 100.0 * Section(0, kHats, kAir));
}

TEST_F(DemoSongTest, TheRoomAndTheEchoReturnsAreHeard)
{
    const WaveFile dryWave = RenderWithoutReturns();
    const WaveFile* dry = &dryWave;
    ASSERT_TRUE(dry->valid);
    ASSERT_EQ(dry->Frames(), wave->Frames());
    auto level = [](const WaveFile& w, size_t from, size_t to) {
        double sum = 0.0;
        for (size_t f = from; f < to; ++f)
            for (int channel = 0; channel < 2; ++channel)
                sum += static_cast<double>(w.At(f, channel)) * w.At(f, channel);
        return std::sqrt(sum / static_cast<double>(2 * (to - from)));
    };
    // The last bar holds no notes: beyond the chords' release, the room and
    // the echo ring on, fading.
    const size_t end = kEnd * kBarFrames;
    const double tail = level(*wave, end + kBarFrames / 2, end + kBarFrames);
    const double dryTail = level(*dry, end + kBarFrames / 2, end + kBarFrames);
    std::printf("last half bar: %.1f dB with the returns, %.1f dB without\n", 20 * std::log10(tail),
                20 * std::log10(dryTail));
    EXPECT_GT(tail, 2.0 * dryTail);
    EXPECT_LT(level(*wave, end + 3 * kBarFrames / 4, end + kBarFrames), level(*wave, end, end + kBarFrames / 4));
    // In the song the returns add to the mix without taking it over or
    // hollowing it out. They add about 2 % of level there, less than two
    // renders differ by: the synthesizers seed their noise from the clock.
    const double wet = level(*wave, kLead * kBarFrames, kBreak * kBarFrames);
    const double plain = level(*dry, kLead * kBarFrames, kBreak * kBarFrames);
    EXPECT_GT(wet, plain * 0.95);
    EXPECT_LT(wet, plain * 2.0);
}
