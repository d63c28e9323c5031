#include "MachineDriver.h"
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using ShaperPtr = std::unique_ptr<CWaveShaper, MachineReleaser>;

ShaperPtr Make(bool crunch)
{
    return ShaperPtr(crunch ? static_cast<CWaveShaper*>(new CCrunch(&TestHost()))
                            : static_cast<CWaveShaper*>(new CDistort(&TestHost())));
}

Rendered RunConstant(CWaveShaper* m, int32_t frames, double left, double right, std::vector<TimedEvent> events = {})
{
    return CMachineDriver(m, 0, 1, 2).Run(frames, std::move(events), [&](int32_t) {
        return std::pair{left, right};
    });
}

// Samples for a smoothed value to glide from 0 to 1: the remaining distance
// plus 0.1 shrinks by 0.9996 per sample until it is at most 0.1.
int32_t GlideSamples()
{
    return static_cast<int32_t>(std::ceil(std::log(0.1 / 1.1) / std::log(1.0 - 0.0004)));
}

} // namespace

TEST(WaveShaperTest, TypesPortsNamesAndDisplays)
{
    CCrunchInfo crunchInfo(&TestHost(), &TestTables());
    CDistortInfo distortInfo(&TestHost(), &TestTables());
    EXPECT_STREQ(crunchInfo.name, "ZT Vorize");
    EXPECT_STREQ(crunchInfo.identifier, "VelmPlug::ZT Vorize");
    EXPECT_STREQ(distortInfo.name, "ZT Distort");
    EXPECT_STREQ(distortInfo.identifier, "VelmPlug::ZT Distort");
    ShaperPtr crunch(static_cast<CWaveShaper*>(crunchInfo.CreateMachine()));
    ShaperPtr distort(static_cast<CWaveShaper*>(distortInfo.CreateMachine()));
    const char* amountNames[] = {"Vorize", "Drive"};
    int which = 0;
    for (CWaveShaper* m : {crunch.get(), distort.get()}) {
        ASSERT_EQ(m->portCount, 3);
        EXPECT_STREQ(m->ports[0]->name, "Control In");
        EXPECT_EQ(m->ports[0]->flags, 18);
        EXPECT_STREQ(m->ports[1]->name, "Line In");
        EXPECT_EQ(m->ports[1]->flags, 273);
        EXPECT_STREQ(m->ports[2]->name, "Line Out");
        EXPECT_EQ(m->ports[2]->flags, 289);
        EXPECT_FALSE(m->IsGenerator());
        EXPECT_EQ(m->parameterCount, 4);
        char text[kMachineTextSize];
        const char* names[] = {"Amp", amountNames[which++], "Wet", "Dry"};
        const double defaults[] = {0.0, 0.5, 1.0, 0.0};
        for (int32_t i = 0; i < 4; ++i) {
            m->GetParameterName(i, text);
            EXPECT_STREQ(text, names[i]);
            EXPECT_EQ(m->GetParameter(i), defaults[i]);
        }
        m->GetParameterName(4, text);
        EXPECT_STREQ(text, "");
        m->GetParameterDisplayValue(1, 0.505, text);
        EXPECT_STREQ(text, "50%");
        m->GetParameterDisplayValue(2, 1.0, text);
        EXPECT_STREQ(text, "100%");
        m->SetParameter(4, 0.3);
        EXPECT_EQ(m->GetParameter(4), 0.0);
    }
}

TEST(WaveShaperTest, DefaultsHalveFullScale)
{
    for (bool crunch : {true, false}) {
        auto m = Make(crunch);
        const auto out = RunConstant(m.get(), 256, 1.0, -1.0);
        for (size_t i = 0; i < out.left.size(); ++i) {
            ASSERT_EQ(out.left[i], 0.5);
            ASSERT_EQ(out.right[i], -0.5);
        }
    }
}

TEST(WaveShaperTest, VorizeTransferExamples)
{
    // crunch 0.5: 2^int(8.5) = 256 levels; 1: two levels; 0: 65536 levels.
    EXPECT_EQ(CCrunch::Transfer(0.3, 0.0, 0.5, 1.0, 0.0), 76.0 / 256 * 0.5);
    EXPECT_EQ(CCrunch::Transfer(0.3, 0.0, 1.0, 1.0, 0.0), 0.0);
    EXPECT_EQ(CCrunch::Transfer(0.6, 0.0, 1.0, 1.0, 0.0), 0.25);
    EXPECT_EQ(CCrunch::Transfer(-0.3, 0.0, 1.0, 1.0, 0.0), 0.0); // toward zero
    EXPECT_EQ(CCrunch::Transfer(-0.7, 0.0, 1.0, 1.0, 0.0), -0.25);
    EXPECT_EQ(CCrunch::Transfer(0.123456, 0.0, 0.0, 1.0, 0.0), 8090.0 / 65536 * 0.5);
    // Amp multiplies by 4·amp + 1 before clamping.
    EXPECT_EQ(CCrunch::Transfer(0.3, 0.25, 0.5, 1.0, 0.0), 2.0 * 76 / 256 * 0.5);
    EXPECT_EQ(CCrunch::Transfer(0.3, 1.0, 0.5, 1.0, 0.0), 0.5);
    // The machine uses the same curve on both channels.
    auto m = Make(true);
    const auto out = RunConstant(m.get(), 64, 0.3, -0.7);
    EXPECT_EQ(out.left[10], CCrunch::Transfer(0.3, 0.0, 0.5, 1.0, 0.0));
    EXPECT_EQ(out.right[10], CCrunch::Transfer(-0.7, 0.0, 0.5, 1.0, 0.0));
}

TEST(WaveShaperTest, DistortTransferExamples)
{
    // drive 0.5: 3^(1 − |u|)·u.
    EXPECT_NEAR(CDistort::Transfer(0.5, 0.0, 0.5, 1.0, 0.0), std::sqrt(3.0) * 0.5 * 0.5, 1e-15);
    EXPECT_EQ(CDistort::Transfer(0.0, 0.0, 0.5, 1.0, 0.0), 0.0);
    EXPECT_NEAR(CDistort::Transfer(-0.25, 0.0, 1.0, 1.0, 0.0), -std::pow(5.0, 0.75) * 0.25 * 0.5, 1e-15);
    EXPECT_EQ(CDistort::Transfer(0.9, 1.0, 0.5, 1.0, 0.0), 0.5); // 5·3^0.1·0.9 clamps
    EXPECT_NEAR(CDistort::Transfer(0.5, 0.0, 0.0, 1.0, 0.0), 0.25, 1e-15); // drive 0: straight
    auto m = Make(false);
    const auto out = RunConstant(m.get(), 64, 0.5, -0.25);
    EXPECT_NEAR(out.left[10], CDistort::Transfer(0.5, 0.0, 0.5, 1.0, 0.0), 1e-15);
    EXPECT_NEAR(out.right[10], CDistort::Transfer(-0.25, 0.0, 0.5, 1.0, 0.0), 1e-15);
}

TEST(WaveShaperTest, InputsBeyondFullScaleAreClampedOnlyOnTheWetPath)
{
    for (bool crunch : {true, false}) {
        auto wet = Make(crunch), dry = Make(crunch);
        // Parameters set directly start gliding; the smoothed values are
        // the defaults until they arrive, so use events at frame 0 and wait.
        dry->SetParameter(CWaveShaper::WET, 0.0);
        dry->SetParameter(CWaveShaper::DRY, 1.0);
        const auto w = RunConstant(wet.get(), 8192, 2.5, -3.0);
        const auto d = RunConstant(dry.get(), 8192, 2.5, -3.0);
        EXPECT_EQ(w.left.back(), 0.5);
        EXPECT_EQ(w.right.back(), -0.5);
        EXPECT_EQ(d.left.back(), 1.25); // unclamped, halved
        EXPECT_EQ(d.right.back(), -1.5);
    }
}

TEST(WaveShaperTest, AParameterJumpIsHeardAsAGlide)
{
    auto m = Make(true);
    // Wet 1 → 0 and dry 0 → 1 at frame 100: output (q·wet + x·dry)/2 with
    // x = 0.25 exactly representable at 256 levels, so output = x/2 all along
    // only if both glide in step; watch the dry side with wet held.
    const auto out = RunConstant(m.get(), 8192, 0.25, 0.25,
                                 {ParameterEvent(100, CWaveShaper::DRY, 1.0)});
    for (size_t i = 0; i < 100; ++i)
        ASSERT_EQ(out.left[i], 0.125);
    // One sample after the event: dry moved by (1 + 0.1)·0.0004.
    EXPECT_NEAR(out.left[100], 0.125 + 0.25 * 0.5 * 0.00044, 1e-15);
    const size_t arrive = static_cast<size_t>(100 + GlideSamples() - 1);
    EXPECT_LT(out.left[arrive - 1], 0.25);
    EXPECT_EQ(out.left[arrive], 0.25);
    EXPECT_EQ(out.left.back(), 0.25);
    for (size_t i = 101; i < out.left.size(); ++i)
        ASSERT_GE(out.left[i], out.left[i - 1]);
    EXPECT_EQ(m->GetParameter(CWaveShaper::DRY), 1.0);
    EXPECT_EQ(m->Smoothed(CWaveShaper::DRY), 1.0);

    // Downward the same way.
    auto d = Make(false);
    const auto down = RunConstant(d.get(), 8192, 0.5, 0.5, {ParameterEvent(0, CWaveShaper::WET, 0.0)});
    EXPECT_GT(down.left[GlideSamples() - 2], 0.0);
    EXPECT_EQ(down.left[GlideSamples() - 1], 0.0);
}
