#include "CoreTestContext.h"
#include "coremachines/CEnvelopeADSR.h"
#include "coremachines/CGlide.h"
#include "coremachines/Units.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<double> Render(CEnvelopeADSR& env, size_t n)
{
    std::vector<double> out(n);
    env.Render(out.data(), static_cast<int32_t>(n));
    return out;
}

size_t FirstIndexAtLeast(const std::vector<double>& x, double level)
{
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] >= level)
            return i;
    return x.size();
}

double LargestStep(const std::vector<double>& x)
{
    double largest = 0;
    for (size_t i = 1; i < x.size(); ++i)
        largest = std::max(largest, std::abs(x[i] - x[i - 1]));
    return largest;
}

} // namespace

TEST(EnvelopeTest, StageTimingsInSamples)
{
    CEnvelopeADSR env(kTestRate);
    env.SetAttack(0.01);  // 441 samples
    env.SetDecay(0.1);    // 4410 samples
    env.SetSustain(0.25);
    env.SetRelease(0.05); // 2205 samples from full level
    EXPECT_FALSE(env.IsActive());
    env.NoteOn();
    const auto x = Render(env, 441 + 4410 + 100);
    EXPECT_EQ(FirstIndexAtLeast(x, 1.0), 440u); // the 441st sample reaches the top
    EXPECT_LT(x[439], 1.0);
    EXPECT_EQ(x[440 + 4410], 0.25); // decay done after 4410 more
    EXPECT_GT(x[440 + 4409], 0.25);
    EXPECT_EQ(env.GetStage(), CEnvelopeADSR::STAGE_SUSTAIN);
    EXPECT_EQ(x.back(), 0.25);

    // Release is timed from full level: from 0.25 (straight) it takes a
    // quarter of 2205 samples.
    env.NoteOff();
    const auto r = Render(env, 700);
    size_t end = 0;
    while (end < r.size() && r[end] > 0.0)
        ++end;
    EXPECT_NEAR(static_cast<double>(end), 2205.0 * 0.25, 1.0);
    EXPECT_FALSE(env.IsActive());
    EXPECT_EQ(r.back(), 0.0);
}

TEST(EnvelopeTest, CurveHalfIsStraightAndTheExtremesBowOppositeWays)
{
    auto attack = [](double knob) {
        CEnvelopeADSR env(kTestRate);
        env.SetAttack(0.1);
        env.SetAttackCurve(CurveConstant(knob));
        env.NoteOn();
        return Render(env, 4410);
    };
    const auto straight = attack(0.5);
    for (size_t i = 2; i < straight.size(); ++i)
        ASSERT_NEAR(straight[i] - 2 * straight[i - 1] + straight[i - 2], 0.0, 1e-12) << i;
    EXPECT_NEAR(straight[2204], 0.5, 1e-3);
    // k = −8 (knob 0) rises fast and flattens; k = +8 (knob 1) the opposite.
    const auto fast = attack(0.0), slow = attack(1.0);
    EXPECT_NEAR(fast[2204], (1 - std::exp(-4.0)) / (1 - std::exp(-8.0)), 1e-4);
    EXPECT_NEAR(slow[2204], (1 - std::exp(4.0)) / (1 - std::exp(8.0)), 1e-4);
    EXPECT_NEAR(fast[2204] + slow[2204], 1.0, 1e-4); // mirror images
    EXPECT_EQ(fast.back(), 1.0);
    EXPECT_EQ(slow.back(), 1.0);
    // Walking the curve by multiplication stays on the exact shape.
    for (size_t i = 0; i < fast.size(); i += 97) {
        const double q = static_cast<double>(i + 1) / 4410.0;
        ASSERT_NEAR(fast[i], (1 - std::exp(-8.0 * q)) / (1 - std::exp(-8.0)), 1e-10) << i;
    }
}

TEST(EnvelopeTest, RetriggerAndNoteOffContinueFromTheReachedLevel)
{
    CEnvelopeADSR env(kTestRate);
    env.SetAttack(0.1);
    env.SetRelease(0.1);
    env.SetSustain(0.8);
    env.SetAttackCurve(CurveConstant(0.2));
    env.SetReleaseCurve(CurveConstant(0.6));
    const double attackStep = 1.0 / 4410, releaseStep = 1.0 / 4410;

    // Note off during the attack: release from the level reached.
    env.NoteOn();
    auto x = Render(env, 1000);
    const double reached = x.back();
    env.NoteOff();
    auto y = Render(env, 200);
    EXPECT_EQ(env.GetStage(), CEnvelopeADSR::STAGE_RELEASE);
    EXPECT_LT(y.front(), reached);
    // The steepest release slope is |k·N|·e^k per unit phase.
    const double kr = CurveConstant(0.6);
    const double releaseSlope = std::abs(kr / (1 - std::exp(kr))) * std::exp(kr) * releaseStep;
    EXPECT_LE(reached - y.front(), releaseSlope * 1.01);
    EXPECT_LE(LargestStep(y), releaseSlope * 1.01);

    // Retrigger during the release: upward from where it was.
    const double released = y.back();
    env.NoteOn();
    auto z = Render(env, 200);
    EXPECT_GT(z.front(), released);
    const double ka = CurveConstant(0.2);
    const double attackSlope = std::abs(ka / (1 - std::exp(ka))) * attackStep;
    EXPECT_LE(z.front() - released, attackSlope * 1.01);
    EXPECT_LE(LargestStep(z), attackSlope * 1.01);

    // Note on during the attack changes nothing.
    CEnvelopeADSR a(kTestRate), b(kTestRate);
    a.NoteOn();
    b.NoteOn();
    Render(a, 100);
    Render(b, 100);
    b.NoteOn();
    EXPECT_EQ(Render(a, 100), Render(b, 100));
}

TEST(EnvelopeTest, CurveChangeKeepsTheLevel)
{
    CEnvelopeADSR env(kTestRate);
    env.SetAttack(0.1);
    env.NoteOn();
    auto before = Render(env, 1500);
    env.SetAttackCurve(CurveConstant(0.0));
    auto after = Render(env, 10);
    // The next sample continues from the same level, now on the steep curve.
    EXPECT_GT(after[0], before.back());
    EXPECT_LT(after[0] - before.back(), 16.0 / 4410); // |k·N| at most 16 per unit phase
    // Same in the release.
    env.NoteOff();
    auto r = Render(env, 300);
    env.SetReleaseCurve(CurveConstant(1.0));
    auto r2 = Render(env, 1);
    EXPECT_LE(r.back() - r2[0], 16.0 / 4410);
    EXPECT_GE(r.back() - r2[0], 0.0);
}

TEST(EnvelopeTest, SampleRateChangeRescalesStages)
{
    CEnvelopeADSR env(kTestRate);
    env.SetAttack(0.01);
    env.SetSampleRate(96000);
    env.NoteOn();
    EXPECT_EQ(FirstIndexAtLeast(Render(env, 2000), 1.0), 959u);
}

TEST(GlideTest, FirstTargetJumpsThenSlidesTimedByDistanceAndPortamento)
{
    CGlide glide(&TestHost(), kTestRate);
    glide.SetGlideTime(0.1); // per octave
    glide.SetTargetNote(57); // A3 = octave 4
    EXPECT_NEAR(glide.Value(), 4.0, 1e-6);
    std::vector<double> x(10000);
    glide.Render(x.data(), 100);
    EXPECT_EQ(x[0], 0.0);
    EXPECT_FALSE(glide.IsSliding());

    glide.SetTargetNote(81); // two octaves up: 0.2 s
    glide.Render(x.data(), 10000);
    EXPECT_NEAR(x[0], -2.0 + 2.0 / 8820, 1e-6);
    EXPECT_NEAR(x[4409], -1.0, 1e-6); // straight by default
    EXPECT_EQ(x[8819], 0.0);
    EXPECT_LT(x[8818], 0.0);
    EXPECT_EQ(x[9999], 0.0);

    // Portamento adds a fixed time: one octave at 0.1 s/oct + 0.05 s.
    glide.SetPortamentoTime(0.05);
    glide.SetTargetOctave(5.0);
    glide.Render(x.data(), 10000);
    EXPECT_NEAR(x[0], 1.0 - 1.0 / 6615, 1e-6);
    EXPECT_EQ(x[6614], 0.0);
    EXPECT_GT(x[6613], 0.0);
}

TEST(GlideTest, RetargetMidSlideStartsFromTheCurrentValue)
{
    CGlide glide(&TestHost(), kTestRate);
    glide.SetGlideTime(0.1);
    glide.SetCurve(CurveConstant(0.0));
    glide.SetTargetOctave(4.0);
    glide.SetTargetOctave(6.0);
    std::vector<double> x(3000);
    glide.Render(x.data(), 3000);
    const double reached = 6.0 + x.back();
    EXPECT_GT(reached, 5.5); // the steep curve covers most of the way early
    glide.SetTargetOctave(4.0);
    std::vector<double> y(2);
    glide.Render(y.data(), 2);
    EXPECT_NEAR(4.0 + y[0], reached, 0.01);
}

TEST(GlideTest, BothTimesZeroJumpAtOnce)
{
    CGlide glide(&TestHost(), kTestRate);
    glide.SetTargetOctave(3.0);
    glide.SetTargetOctave(7.0);
    EXPECT_FALSE(glide.IsSliding());
    EXPECT_EQ(glide.Value(), 7.0);
    std::vector<double> x(16, 1.0);
    glide.Render(x.data(), 16);
    for (double v : x)
        EXPECT_EQ(v, 0.0);
    // An unknown note leaves the target as it was.
    glide.SetTargetNote(200);
    EXPECT_EQ(glide.Value(), 7.0);
}
