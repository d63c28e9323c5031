#include "Measure.h"
#include "MachineDriver.h"
#include "coremachines/CMixer.h"
#include "coremachines/CRandom.h"
#include "coremachines/CThreeBandEQ.h"
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using MixerPtr = std::unique_ptr<CMixer, MachineReleaser>;
using Signal = std::function<double(int32_t frame)>;

MixerPtr MakeMixer()
{
    return MixerPtr(new CMixer(&TestHost()));
}

struct MixerRun {
    Rendered out;
    Rendered send[CMixer::kBuses];
};

double Sine(int32_t frame, double hz = 440.0)
{
    return std::sin(2.0 * std::numbers::pi * hz * frame / kTestRate);
}

// Runs whole blocks: `inputs` maps a port number to a signal (both sides),
// the returns are read by ProcessLate as the render cycle does.
MixerRun RunMixer(CMixer* mixer, int32_t frames, const std::map<int32_t, Signal>& inputs)
{
    MixerRun run;
    const int32_t block = mixer->ports[0]->audioBuffer->length;
    auto append = [](Rendered& r, const CAudioBuffer* b, int32_t n) {
        r.left.insert(r.left.end(), b->left, b->left + n);
        r.right.insert(r.right.end(), b->right, b->right + n);
    };
    for (int32_t start = 0; start < frames; start += block) {
        for (int32_t p = 1; p < mixer->portCount; ++p) {
            CAudioBuffer* in = mixer->ports[p]->audioBuffer;
            if (!mixer->ports[p]->IsInput())
                continue;
            const auto found = inputs.find(p);
            for (int32_t i = 0; i < block; ++i)
                in->left[i] = in->right[i] = found == inputs.end() ? 0.0 : found->second(start + i);
        }
        mixer->Process();
        mixer->ProcessLate();
        const int32_t n = std::min(block, frames - start);
        append(run.out, mixer->ports[0]->audioBuffer, n);
        for (int32_t k = 0; k < CMixer::kBuses; ++k)
            append(run.send[k], mixer->ports[CMixer::SendPort(k)]->audioBuffer, n);
    }
    return run;
}

double Rms(const std::vector<double>& x, size_t from = 22050)
{
    return measure::Rms(x.data() + from, x.size() - from);
}

} // namespace

TEST(MixerTest, PortsParametersAndDisplays)
{
    CMixerInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT Mixer");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT Mixer-Stereo-8-2");
    MixerPtr mixer(static_cast<CMixer*>(info.CreateMachine()));
    ASSERT_EQ(mixer->portCount, 13);
    const std::pair<const char*, int32_t> ports[] = {
        {"OUTPUT", 289}, {"TRK1IN", 273}, {"TRK2IN", 273}, {"TRK3IN", 273},  {"TRK4IN", 273},
        {"TRK5IN", 273}, {"TRK6IN", 273}, {"TRK7IN", 273}, {"TRK8IN", 273},  {"AUX1OUT", 353},
        {"AUX1IN", 337}, {"AUX2OUT", 353}, {"AUX2IN", 337}};
    for (int32_t i = 0; i < 13; ++i) {
        EXPECT_STREQ(mixer->ports[i]->name, ports[i].first) << i;
        EXPECT_EQ(mixer->ports[i]->flags, ports[i].second) << i;
    }
    EXPECT_EQ(mixer->parameterCount, 66);
    EXPECT_FALSE(mixer->IsGenerator());
    char text[kMachineTextSize];
    const std::pair<int32_t, const char*> names[] = {{0, "Track 1 Level"}, {6, "Track 1 AUX2"}, {7, "Track 2 Level"},
                                                     {55, "Track 8 AUX2"}, {56, "AUX 1 Level"}, {60, "AUX 1 High"},
                                                     {61, "AUX 2 Level"},  {65, "AUX 2 High"},  {66, ""}};
    for (auto [index, name] : names) {
        mixer->GetParameterName(index, text);
        EXPECT_STREQ(text, name) << index;
    }
    for (int32_t i = 0; i < 66; ++i)
        ASSERT_EQ(mixer->GetParameter(i), 0.5);
    mixer->GetParameterDisplayValue(3, 0.756, text);
    EXPECT_STREQ(text, "75%");
    mixer->SetParameter(12, 0.9);
    mixer->ResetParameter(12);
    EXPECT_EQ(mixer->GetParameter(12), 0.5);
}

TEST(MixerTest, DefaultsGiveTheHalfBandsHalfBalanceMinus18dB)
{
    auto mixer = MakeMixer();
    const auto run = RunMixer(mixer.get(), kTestRate, {{CMixer::TrackPort(2), [](int32_t f) { return Sine(f); }}});
    const double expected = 0.5 * 0.5 * std::pow(10.0, -1.8);
    EXPECT_NEAR(Rms(run.out.left) * std::sqrt(2.0), expected, expected * 1e-3);
    EXPECT_NEAR(Rms(run.out.right) * std::sqrt(2.0), expected, expected * 1e-3);
}

TEST(MixerTest, LevelPointEightIsUnityAndBandsAtOneGiveTheInputThreeSamplesLate)
{
    auto mixer = MakeMixer();
    for (int32_t p : {CMixer::LEVEL, CMixer::LOW, CMixer::MID, CMixer::HIGH})
        mixer->SetParameter(CMixer::TrackParameter(0, p), p == CMixer::LEVEL ? 0.8 : 1.0);
    mixer->SetParameter(CMixer::TrackParameter(0, CMixer::BALANCE), 0.0);
    CRandom random(11);
    std::vector<double> noise(4096);
    for (double& x : noise)
        x = random.Noise();
    const auto run = RunMixer(mixer.get(), 4096, {{CMixer::TrackPort(0), [&](int32_t f) { return noise[f]; }}});
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(run.out.left[i], 0.0);
    for (size_t i = 3; i < noise.size(); ++i) {
        ASSERT_NEAR(run.out.left[i], noise[i - 3], 1e-12) << i;
        // The other, silent tracks leave only their denormal guards' traces.
        ASSERT_LT(std::abs(run.out.right[i]), 1e-20);
    }
}

TEST(MixerTest, BandsSplitAtTheirCrossovers)
{
    // Each band alone at 1: the low band passes 100 Hz, the high band 12 kHz,
    // the mid band 2 kHz, and each keeps the others' frequencies down.
    auto bandGain = [](int32_t band, double hz) {
        auto mixer = MakeMixer();
        for (int32_t p = CMixer::LOW; p <= CMixer::HIGH; ++p)
            mixer->SetParameter(CMixer::TrackParameter(0, p), p == band ? 1.0 : 0.0);
        mixer->SetParameter(CMixer::TrackParameter(0, CMixer::LEVEL), 0.8);
        const auto run =
            RunMixer(mixer.get(), kTestRate, {{CMixer::TrackPort(0), [hz](int32_t f) { return Sine(f, hz); }}});
        return Rms(run.out.left) * 2.0 * std::sqrt(2.0);
    };
    EXPECT_GT(bandGain(CMixer::LOW, 100.0), 0.9);
    EXPECT_LT(bandGain(CMixer::LOW, 12000.0), 0.01);
    EXPECT_GT(bandGain(CMixer::HIGH, 12000.0), 0.5);
    EXPECT_LT(bandGain(CMixer::HIGH, 100.0), 0.03);
    // The mid band is what the other two leave; it leaks where their phase
    // lags, but far less than it passes.
    EXPECT_GT(bandGain(CMixer::MID, 2000.0), 0.3);
    EXPECT_GT(bandGain(CMixer::MID, 2000.0), 3.0 * bandGain(CMixer::MID, 50.0));
}

TEST(MixerTest, LevelAndBalanceSetTheSides)
{
    for (auto [level, balance] : {std::pair{0.8, 0.25}, {1.0, 0.5}, {0.3, 1.0}}) {
        auto mixer = MakeMixer();
        mixer->SetParameter(CMixer::TrackParameter(5, CMixer::LEVEL), level);
        mixer->SetParameter(CMixer::TrackParameter(5, CMixer::BALANCE), balance);
        const auto run =
            RunMixer(mixer.get(), kTestRate, {{CMixer::TrackPort(5), [](int32_t f) { return Sine(f, 1000.0); }}});
        const double g = std::pow(10.0, (60.0 * level - 48.0) / 10.0);
        EXPECT_NEAR(Rms(run.out.left) * std::sqrt(2.0) / 0.5, (1.0 - balance) * g, g * 2e-3) << level << balance;
        EXPECT_NEAR(Rms(run.out.right) * std::sqrt(2.0) / 0.5, balance * g, g * 2e-3) << level << balance;
        // The meter shows the block's largest output.
        EXPECT_NEAR(mixer->GetPeak(5, 1), balance * g * 0.5, g * 0.01);
        EXPECT_LT(mixer->GetPeak(4, 1), 1e-20); // a silent track
    }
}

TEST(MixerTest, SendsAreTakenBeforeLevelAndReturnThroughTheBus)
{
    auto mixer = MakeMixer();
    mixer->SetParameter(CMixer::TrackParameter(0, CMixer::LEVEL), 0.0);
    mixer->SetParameter(CMixer::TrackParameter(0, CMixer::SEND1), 1.0);
    mixer->SetParameter(CMixer::TrackParameter(0, CMixer::SEND2), 0.0);
    for (int32_t p = CMixer::LOW; p <= CMixer::HIGH; ++p)
        mixer->SetParameter(CMixer::TrackParameter(0, p), 1.0);
    const auto run = RunMixer(mixer.get(), kTestRate, {{CMixer::TrackPort(0), [](int32_t f) { return Sine(f); }}});
    // Level 0 is −48 dB on the output, yet the send carries the whole track.
    EXPECT_NEAR(Rms(run.send[0].left) * std::sqrt(2.0), 1.0, 1e-3);
    EXPECT_LT(Rms(run.send[1].left), 1e-20);
    EXPECT_NEAR(Rms(run.out.left) * std::sqrt(2.0), 0.5 * std::pow(10.0, -4.8), 1e-6);

    // A return at unity level on bus 2 comes back in ProcessLate.
    auto desk = MakeMixer();
    desk->SetParameter(CMixer::BusParameter(1, CMixer::LEVEL), 0.8);
    for (int32_t p = CMixer::LOW; p <= CMixer::HIGH; ++p)
        desk->SetParameter(CMixer::BusParameter(1, p), 1.0);
    const auto back = RunMixer(desk.get(), 1024, {{CMixer::ReturnPort(1), [](int32_t) { return 0.25; }}});
    EXPECT_NEAR(back.out.left[1000], 0.125, 1e-9);
    EXPECT_NEAR(desk->GetPeak(CMixer::kTracks + 1, 0), 0.125, 1e-9);
}

TEST(MixerTest, MuteAndSoloSilenceChannelsAndBuses)
{
    auto mixer = MakeMixer();
    mixer->SetParameter(CMixer::TrackParameter(1, CMixer::SEND1), 1.0);
    const std::map<int32_t, Signal> inputs = {{CMixer::TrackPort(0), [](int32_t f) { return Sine(f, 300.0); }},
                                              {CMixer::TrackPort(1), [](int32_t f) { return Sine(f, 3000.0); }},
                                              {CMixer::ReturnPort(0), [](int32_t f) { return Sine(f, 700.0); }}};
    auto heard = [&](double hz, const std::vector<double>& x) {
        // Correlation with the channel's own frequency.
        double c = 0, s = 0;
        for (size_t i = 22050; i < x.size(); ++i) {
            c += x[i] * std::cos(2 * std::numbers::pi * hz * static_cast<double>(i) / kTestRate);
            s += x[i] * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kTestRate);
        }
        return std::hypot(c, s) / static_cast<double>(x.size() - 22050);
    };
    auto all = RunMixer(mixer.get(), kTestRate, inputs);
    EXPECT_GT(heard(300, all.out.left), 1e-3);
    EXPECT_GT(heard(3000, all.out.left), 1e-3);
    EXPECT_GT(heard(700, all.out.left), 1e-3);

    mixer->SetSolo(1, true);
    EXPECT_EQ(mixer->GetSolo(), 1);
    auto solo = RunMixer(mixer.get(), kTestRate, inputs);
    EXPECT_LT(heard(300, solo.out.left), 1e-9);
    EXPECT_LT(heard(700, solo.out.left), 1e-9); // the bus return too
    EXPECT_NEAR(heard(3000, solo.out.left), heard(3000, all.out.left), 1e-6);
    EXPECT_GT(heard(3000, solo.send[0].left), 1e-2); // the soloed track still sends

    mixer->SetSolo(0, false); // not the soloed channel: nothing changes
    EXPECT_EQ(mixer->GetSolo(), 1);
    mixer->SetSolo(1, false);
    EXPECT_EQ(mixer->GetSolo(), -1);
    mixer->SetMute(0, true);
    EXPECT_TRUE(mixer->IsMuted(0));
    auto muted = RunMixer(mixer.get(), kTestRate, inputs);
    EXPECT_LT(heard(300, muted.out.left), 1e-9);
    EXPECT_NEAR(heard(700, muted.out.left), heard(700, all.out.left), 1e-6);
    EXPECT_NEAR(heard(3000, muted.out.left), heard(3000, all.out.left), 1e-6);
    // Out-of-range channels are refused.
    mixer->SetSolo(10, true);
    mixer->SetMute(-1, true);
    EXPECT_EQ(mixer->GetSolo(), -1);
    EXPECT_EQ(mixer->GetPeak(10, 0), 0.0);
}

TEST(MixerTest, StereoEqualiserLanesAreTheOneSideEqualiser)
{
    CThreeBandEQ left(kTestRate), right(kTestRate);
    CStereoThreeBandEQ both(kTestRate);
    // Low and high chains side by side: the lanes must not be mixed up
    // and the products summed in the one-side order, bit for bit.
    CPackedThreeBandEQ packed(kTestRate);
    CRandom random(4);
    for (int i = 0; i < 20000; ++i) {
        const double l = random.Noise(), r = random.Noise();
        const double gains[3] = {0.2 + 0.6 * (i % 3), 0.7, 1.0 - 0.3 * (i % 2)};
        const Double2 e = both.Process(Double2{l, r}, Double2{} + gains[0], Double2{} + gains[1], Double2{} + gains[2]);
        const double weightL = gains[0] - gains[1], weightH = gains[1] - gains[2];
        const Double2 p = packed.ProcessWeighted(Double2{l, r}, Double4{weightL, weightL, weightH, weightH},
                                                 Double2{} + gains[2]);
        const double expectedLeft = left.Process(l, gains[0], gains[1], gains[2]);
        const double expectedRight = right.Process(r, gains[0], gains[1], gains[2]);
        ASSERT_EQ(e[0], expectedLeft) << i;
        ASSERT_EQ(e[1], expectedRight) << i;
        ASSERT_EQ(p[0], expectedLeft) << i;
        ASSERT_EQ(p[1], expectedRight) << i;
    }
}

TEST(MixerTest, EqualiserStaysOutOfDenormalsInSilence)
{
    CThreeBandEQ eq(kTestRate);
    double y = 1.0;
    for (int i = 0; i < 10; ++i)
        y = eq.Process(1.0, 1, 1, 1);
    for (int i = 0; i < 2000000; ++i)
        y = eq.Process(0.0, 1.0, 1.0, 1.0);
    EXPECT_TRUE(y == 0.0 || std::fpclassify(y) == FP_NORMAL) << y;
}

TEST(MixerTest, ValuesOutsideTheRangeAreHeldToIt)
{
    auto wild = MakeMixer(), tame = MakeMixer();
    const double values[CMixer::kTrackParameters] = {9.0, -4.0, 1e300, 2.0, std::nan(""), 77.0, -1.0};
    const double held[CMixer::kTrackParameters] = {1.0, 0.0, 1.0, 1.0, 0.0, 1.0, 0.0};
    for (int32_t p = 0; p < CMixer::kTrackParameters; ++p) {
        wild->SetParameter(CMixer::TrackParameter(0, p), values[p]);
        tame->SetParameter(CMixer::TrackParameter(0, p), held[p]);
    }
    const std::map<int32_t, Signal> in = {{CMixer::TrackPort(0), [](int32_t f) { return Sine(f, 200.0); }}};
    const auto a = RunMixer(wild.get(), 8192, in), b = RunMixer(tame.get(), 8192, in);
    EXPECT_EQ(a.out.left, b.out.left);
    EXPECT_EQ(a.send[0].left, b.send[0].left);
    EXPECT_GT(Rms(b.out.left, 0), 0.1);
    EXPECT_EQ(wild->GetParameter(CMixer::TrackParameter(0, 0)), 9.0); // stored as given
}
