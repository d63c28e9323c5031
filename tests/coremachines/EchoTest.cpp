#include "MachineDriver.h"
#include "coremachines/CEcho.h"
#include "coremachines/CRandom.h"
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using EchoPtr = std::unique_ptr<CEcho, MachineReleaser>;

EchoPtr MakeEcho()
{
    return EchoPtr(new CEcho(&TestHost(), &TestTables()));
}

int32_t Index(int32_t line, int32_t position)
{
    return (line - 1) * CEcho::kParametersPerLine + position;
}

Rendered RunImpulse(CEcho* echo, int32_t frames)
{
    return CMachineDriver(echo, -1, 0, 1).Run(frames, {}, [](int32_t frame) {
        return std::pair{frame == 0 ? 1.0 : 0.0, frame == 0 ? -1.0 : 0.0};
    });
}

Rendered RunNoise(CEcho* echo, int32_t frames, uint32_t seed)
{
    CRandom random(seed);
    return CMachineDriver(echo, -1, 0, 1).Run(frames, {}, [&](int32_t) {
        const double l = random.Noise();
        return std::pair{l, random.Noise()};
    });
}

// First moment and area of x over [from, to).
std::pair<double, double> CentroidAndArea(const std::vector<double>& x, size_t from, size_t to)
{
    double moment = 0, area = 0;
    for (size_t i = from; i < to; ++i) {
        moment += static_cast<double>(i) * x[i];
        area += x[i];
    }
    return {moment / area, area};
}

} // namespace

TEST(EchoTest, TypePortsNamesAndDisplays)
{
    CEchoInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT ZezaRazad");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT ZezaRazad");
    EchoPtr echo(static_cast<CEcho*>(info.CreateMachine()));
    ASSERT_EQ(echo->portCount, 2);
    EXPECT_STREQ(echo->ports[0]->name, "Line In");
    EXPECT_EQ(echo->ports[0]->flags, 273);
    EXPECT_STREQ(echo->ports[1]->name, "Line Out");
    EXPECT_EQ(echo->ports[1]->flags, 289);
    EXPECT_EQ(echo->parameterCount, 32);
    EXPECT_FALSE(echo->IsGenerator());
    char text[kMachineTextSize];
    echo->GetParameterName(0, text);
    EXPECT_STREQ(text, "Delay Time 1");
    echo->GetParameterName(Index(4, CEcho::DELAY_TIME), text);
    EXPECT_STREQ(text, "Delay Time 4");
    echo->GetParameterName(Index(2, CEcho::FILTER_BANDWIDTH), text);
    EXPECT_STREQ(text, "Filter Bandwidth 2");
    echo->GetParameterName(Index(1, CEcho::DRY_LEVEL), text);
    EXPECT_STREQ(text, "Dry Level 1");
    echo->GetParameterName(32, text);
    EXPECT_STREQ(text, "");
    const std::pair<double, const char*> delays[] = {{0.0, "10ms"}, {1.0, "1000ms"}, {0.5, "420ms"}};
    for (auto [x, shown] : delays) {
        echo->GetParameterDisplayValue(0, x, text);
        EXPECT_STREQ(text, shown);
    }
    echo->GetParameterDisplayValue(Index(1, CEcho::WET_LEVEL), 0.0, text);
    EXPECT_STREQ(text, "-oo dB");
    echo->GetParameterDisplayValue(Index(1, CEcho::WET_LEVEL), 0.8, text);
    EXPECT_STREQ(text, "0.00dB");
    echo->GetParameterDisplayValue(Index(3, CEcho::DRY_LEVEL), 1.0, text);
    EXPECT_STREQ(text, "16.00dB");
    echo->GetParameterDisplayValue(Index(1, CEcho::FEEDBACK), 0.5, text);
    EXPECT_STREQ(text, "50%");
    echo->GetParameterDisplayValue(32, 0.5, text);
    EXPECT_STREQ(text, "");
    // Defaults took effect although each was the first value set.
    EXPECT_EQ(echo->GetParameter(Index(4, CEcho::FILTER_FREQUENCY)), 0.3);
    EXPECT_EQ(echo->GetParameter(Index(1, CEcho::WET_LEVEL)), 1.0);
    EXPECT_DOUBLE_EQ(echo->Line(1, 2).TargetOffset(), 44099 * (1.0 - CEcho::DelaySeconds(0.3)));
    EXPECT_EQ(echo->Line(0, 3).Bandwidth(), 5010.0);
}

TEST(EchoTest, EchoDelayIsWithinASampleOfTheSetting)
{
    for (double knob : {0.1, 0.37, 1.0}) {
        auto echo = MakeEcho();
        echo->SetParameter(Index(1, CEcho::FILTER_FREQUENCY), 1.0); // cutoff at a quarter of the rate
        echo->SetParameter(Index(1, CEcho::DELAY_TIME), knob);
        const double expected = CEcho::DelaySeconds(knob) * kTestRate;
        const auto d = static_cast<size_t>(expected);
        const auto out = RunImpulse(echo.get(), static_cast<int32_t>(3 * d + 2048));
        // Mean delays add up under convolution: echo k is centred on
        // k·D + (k + 1)·τ, τ being the filter's own mean delay.
        const auto [c0, a0] = CentroidAndArea(out.left, 0, d / 2);
        const auto [c1, a1] = CentroidAndArea(out.left, d / 2, d + d / 2);
        const double measured = c1 - 2 * c0;
        EXPECT_NEAR(measured, expected, 1.0) << knob;
        EXPECT_NEAR(a0, 1.0 / 16, 1e-9);       // wet 1/16, the filter's DC gain 1
        EXPECT_NEAR(a1, 0.5 / 16, 1e-9);       // feedback 0.5
        const auto [r0, ra0] = CentroidAndArea(out.right, 0, d / 2);
        EXPECT_NEAR(r0, c0, 1e-9);             // the right line is the same
        EXPECT_NEAR(ra0, -1.0 / 16, 1e-9);
    }
}

TEST(EchoTest, OnlyLineOneIsHeardAtDefaults)
{
    auto a = MakeEcho(), b = MakeEcho();
    // Everything of lines 2..4 except their levels changed on one of them.
    for (int32_t line = 2; line <= 4; ++line)
        for (int32_t p : {CEcho::DELAY_TIME, CEcho::FEEDBACK, CEcho::FILTER_FREQUENCY, CEcho::LFO_AMOUNT,
                          CEcho::LFO_RATE})
            b->SetParameter(Index(line, p), 0.9);
    const auto x = RunNoise(a.get(), 20000, 5), y = RunNoise(b.get(), 20000, 5);
    EXPECT_EQ(x.left, y.left);
    EXPECT_EQ(x.right, y.right);
    // Line 1 alone: its wet level at 0 silences the machine.
    a->SetParameter(Index(1, CEcho::WET_LEVEL), 0.0);
    const auto silent = RunNoise(a.get(), 2048, 6);
    for (size_t i = 0; i < silent.left.size(); ++i) {
        ASSERT_EQ(silent.left[i], 0.0);
        ASSERT_EQ(silent.right[i], 0.0);
    }
    // A dry level passes the input at a quarter.
    a->SetParameter(Index(3, CEcho::DRY_LEVEL), 1.0);
    const auto dry = CMachineDriver(a.get(), -1, 0, 1).Run(256, {}, [](int32_t) { return std::pair{0.5, -0.5}; });
    EXPECT_EQ(dry.left[100], 0.125);
    EXPECT_EQ(dry.right[100], -0.125);
}

TEST(EchoTest, FeedbackOfOneKeepsEchoesAndBandwidthChangesNothing)
{
    auto echo = MakeEcho();
    echo->SetParameter(Index(1, CEcho::FILTER_FREQUENCY), 1.0);
    echo->SetParameter(Index(1, CEcho::FEEDBACK), 1.0);
    echo->SetParameter(Index(1, CEcho::DELAY_TIME), 0.0); // 10 ms: 441 samples
    const auto out = RunImpulse(echo.get(), 441 * 12);
    for (size_t k = 1; k < 11; ++k) {
        const auto [c, area] = CentroidAndArea(out.left, k * 441 - 220, k * 441 + 220);
        EXPECT_NEAR(area, 1.0 / 16, 1e-9) << k; // nothing lost but the filter's shaping
    }
    auto a = MakeEcho(), b = MakeEcho();
    b->SetParameter(Index(1, CEcho::FILTER_BANDWIDTH), 0.0);
    EXPECT_EQ(RunNoise(a.get(), 8192, 1).left, RunNoise(b.get(), 8192, 1).left);
}

TEST(EchoTest, DelayChangeGlidesTheReadPoint)
{
    auto fresh = MakeEcho();
    fresh->SetParameter(Index(1, CEcho::DELAY_TIME), 0.7);
    EXPECT_EQ(fresh->Line(0, 0).ReadOffset(), fresh->Line(0, 0).TargetOffset()); // set before any sound

    auto echo = MakeEcho();
    RunNoise(echo.get(), 256, 2);
    const double from = echo->Line(0, 0).ReadOffset();
    EXPECT_EQ(from, echo->Line(0, 0).TargetOffset());
    echo->SetParameter(Index(1, CEcho::DELAY_TIME), 0.5);
    const double to = echo->Line(0, 0).TargetOffset();
    ASSERT_LT(to, from);
    // The remaining distance + 0.1 shrinks by 0.9996 per sample until the
    // read point arrives.
    const double distance = from - to;
    const int32_t needed = static_cast<int32_t>(std::ceil(std::log(0.1 / (distance + 0.1)) / std::log(0.9996)));
    int32_t samples = 0;
    for (int32_t block = 0; samples < needed + 512; ++block) {
        RunNoise(echo.get(), 256, 3 + static_cast<uint32_t>(block));
        samples += 256;
        const double offset = echo->Line(0, 0).ReadOffset();
        if (samples < needed) {
            const double expected = to + (distance + 0.1) * std::pow(0.9996, samples) - 0.1;
            ASSERT_NEAR(offset, expected, 1e-6 * distance) << samples;
            ASSERT_GT(offset, to);
        } else {
            ASSERT_EQ(offset, to) << samples;
        }
        ASSERT_EQ(echo->Line(1, 0).ReadOffset(), offset);
    }
}

TEST(EchoTest, LfoSweepsTheLoopFilter)
{
    auto still = MakeEcho(), swept = MakeEcho();
    swept->SetParameter(Index(1, CEcho::LFO_AMOUNT), 1.0);
    const auto a = RunNoise(still.get(), 8192, 8), b = RunNoise(swept.get(), 8192, 8);
    EXPECT_EQ(a.left[0], b.left[0]); // LFO phase 0: modulation 1 on the first sample
    EXPECT_NE(a.left, b.left);
}

TEST(EchoTest, SampleRateChangeReallocatesTheLines)
{
    auto echo = MakeEcho();
    echo->SetSampleRate(48000);
    EXPECT_EQ(echo->Line(0, 0).Length(), 48000);
    EXPECT_DOUBLE_EQ(echo->Line(0, 0).TargetOffset(), 47999 * (1.0 - CEcho::DelaySeconds(0.1)));
    EXPECT_EQ(echo->Line(0, 0).ReadOffset(), echo->Line(0, 0).TargetOffset());
}
