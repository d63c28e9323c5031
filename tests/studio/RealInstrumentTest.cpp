// Every instrument of the installed Debian plug-in packages that can sound
// without a sample file plays four notes sent in four different blocks, at
// their pitches, and stops each: many answer 0 to effProcessEvents and must
// still hear every event.
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 256;

struct Note {
    int32_t key;
    int32_t onBlock;
    int32_t onFrame;
    int32_t offBlock;
    int32_t offFrame;
};

// Four notes, each starting and ending in a block of its own, at frames
// spread over the block.
const Note kNotes[] = {
    {57, 10, 17, 50, 40},
    {60, 70, 100, 110, 130},
    {64, 130, 200, 170, 220},
    {67, 190, 250, 230, 5},
};
constexpr int32_t kLastOffBlock = 230;
// Two seconds after the last release, then a tenth of a second measured.
constexpr int32_t kQuietFrom = kLastOffBlock + (2 * kRate) / kBlock + 1;
constexpr int32_t kQuietBlocks = kRate / 10 / kBlock + 1;

// The period near the expected one with the highest normalised
// autocorrelation, refined by a parabola through its neighbours.
double MeasureFrequency(const std::vector<double>& x, double expected)
{
    const double period = kRate / expected;
    const int lowest = static_cast<int>(period * 0.7);
    const int highest = static_cast<int>(period * 1.4) + 1;
    const size_t n = x.size() - static_cast<size_t>(highest) - 1;
    auto correlation = [&](int lag) {
        double sum = 0.0;
        double energyA = 0.0;
        double energyB = 0.0;
        for (size_t i = 0; i < n; ++i) {
            sum += x[i] * x[i + static_cast<size_t>(lag)];
            energyA += x[i] * x[i];
            energyB += x[i + static_cast<size_t>(lag)] * x[i + static_cast<size_t>(lag)];
        }
        return energyA > 0.0 && energyB > 0.0 ? sum / std::sqrt(energyA * energyB) : 0.0;
    };
    int best = lowest;
    double bestValue = -2.0;
    for (int lag = lowest; lag <= highest; ++lag) {
        const double value = correlation(lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    const double before = correlation(best - 1);
    const double after = correlation(best + 1);
    const double denominator = before - 2.0 * bestValue + after;
    const double offset = denominator != 0.0 ? 0.5 * (before - after) / denominator : 0.0;
    return kRate / (best + offset);
}

double Rms(const std::vector<double>& x, size_t from, size_t count)
{
    double sum = 0.0;
    for (size_t i = from; i < from + count && i < x.size(); ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(count));
}

class RealInstrumentTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        // amsynth keeps its presets in the home folder's data folder.
        temp.MakeFolder("home/.local/share");
        setenv("HOME", (temp / "home").c_str(), 1);
    }

    TempFolder temp;
    CVelmHost host{kRate, kBlock, 0};
};

TEST_P(RealInstrumentTest, PlaysFourNotesInFourBlocksAtTheirPitchesAndStopsEach)
{
    const std::string path = GetParam();
    VSTScanRecord record;
    CVSTAdapterInfo* type = CVSTAdapterInfo::Probe(&host, path, &record);
    ASSERT_NE(type, nullptr) << path;
    host.RegisterMachineInfo(type);
    AdapterPtr synth = CreateAdapter(*type);
    ASSERT_NE(synth->GetControlPort(), nullptr);
    CControlBuffer* events = synth->GetControlPort()->controlBuffer;
    std::vector<CAudioBuffer*> outputs;
    for (int32_t i = 0; i < synth->portCount; ++i) {
        if (synth->ports[i]->IsAudio() && !synth->ports[i]->IsInput())
            outputs.push_back(synth->ports[i]->audioBuffer);
    }
    ASSERT_FALSE(outputs.empty());

    // The first output's left channel, block after block.
    std::vector<double> left;
    for (int32_t block = 0; block < kQuietFrom + kQuietBlocks; ++block) {
        for (const Note& note : kNotes) {
            if (note.onBlock == block) {
                MachineEvent on = MakeEvent(note.onFrame, EVENT_NOTE_ON, note.key, 0.8);
                events->PushEvent(&on);
            }
            if (note.offBlock == block) {
                MachineEvent off = MakeEvent(note.offFrame, EVENT_NOTE_OFF, note.key, 0.0);
                events->PushEvent(&off);
            }
        }
        synth->Process();
        left.insert(left.end(), outputs[0]->left, outputs[0]->left + kBlock);
    }

    // Kars's string is a delay line that adds about one and a half samples
    // to every period, so it plays up to 1.3 % flat by its own design.
    const double periodExtra = path.find("Kars") != std::string::npos ? 1.5 : 0.0;
    for (const Note& note : kNotes) {
        double expected = 0.0;
        host.GetNoteFrequency(note.key, &expected);
        expected = kRate / (kRate / expected + periodExtra);
        // From 30 ms after the start to the release.
        const size_t from = static_cast<size_t>(note.onBlock * kBlock + note.onFrame) + kRate * 30 / 1000;
        const size_t to = static_cast<size_t>(note.offBlock * kBlock + note.offFrame);
        std::vector<double> held(left.begin() + static_cast<long>(from), left.begin() + static_cast<long>(to));
        EXPECT_GT(Rms(held, 0, held.size()), 1e-3) << "note " << note.key << " silent";
        EXPECT_NEAR(MeasureFrequency(held, expected), expected, expected * 0.005) << "note " << note.key;
    }
    // Before the first note: nothing.
    EXPECT_LT(Rms(left, 0, static_cast<size_t>(kNotes[0].onBlock * kBlock)), 1e-6);
    // Two seconds after the last release: below -60 dBFS on every output.
    const auto quietFrom = static_cast<size_t>(kQuietFrom * kBlock);
    EXPECT_LT(Rms(left, quietFrom, left.size() - quietFrom), 1e-3);
    for (CAudioBuffer* out : outputs) {
        std::vector<double> last(out->left, out->left + kBlock);
        EXPECT_LT(Rms(last, 0, last.size()), 1e-3);
        if (out->right) {
            std::vector<double> right(out->right, out->right + kBlock);
            EXPECT_LT(Rms(right, 0, right.size()), 1e-3);
        }
    }
    EXPECT_EQ(synth->GetNonFiniteBlocks(), 0);
    EXPECT_FALSE(synth->IsFaulted());
}

// amsynth (GTK 2 editor), the DPF instruments of dpf-plugins-vst and
// ZynAddSubFX. The LSP samplers and MIDI triggers are instruments too but
// stay silent until a sample file is loaded into them.
INSTANTIATE_TEST_SUITE_P(Packages, RealInstrumentTest,
                         testing::Values("/usr/lib/vst/amsynth_vst.so", "/usr/lib/vst/Kars-vst.so",
                                         "/usr/lib/vst/Nekobi-vst.so", "/usr/lib/vst/ZynAddSubFX.so"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = std::filesystem::path(info.param).stem().string();
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             }
                             return name;
                         });

} // namespace
