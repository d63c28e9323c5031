#include "CoreTestContext.h"
#include "Measure.h"
#include "coremachines/CAmplifier.h"
#include "coremachines/CMultiModeFilter.h"
#include "coremachines/Units.h"
#include <gtest/gtest.h>

namespace {

constexpr double kRate = kTestRate;
constexpr size_t kLength = 1 << 16;

// |H| on the FFT grid, measured from the filter's impulse response.
std::vector<double> MeasuredMagnitude(CMultiModeFilter& filter)
{
    std::vector<double> x(kLength, 0.0);
    x[0] = 1.0;
    for (size_t done = 0; done < kLength; done += 256)
        filter.Render(x.data() + done, 256);
    std::vector<std::complex<double>> a(x.begin(), x.end());
    measure::Fft(a);
    std::vector<double> m(kLength / 2);
    for (size_t k = 0; k < m.size(); ++k)
        m[k] = std::abs(a[k]);
    return m;
}

double MagnitudeAt(const std::vector<double>& m, double hz)
{
    const double bin = hz * kLength / kRate;
    const auto k = static_cast<size_t>(bin);
    return m[k] + (bin - static_cast<double>(k)) * (m[k + 1] - m[k]);
}

// The analog prototypes through the bilinear transform with the cutoff
// pre-warped: Ω = tan(π f / rate) / tan(π fc / rate).
double Warped(double hz, double cutoffHz)
{
    return std::tan(std::numbers::pi * hz / kRate) / std::tan(std::numbers::pi * cutoffHz / kRate);
}

double LowPass(double hz, double fc, double d)
{
    const double w = Warped(hz, fc);
    return 1.0 / std::sqrt((1 - w * w) * (1 - w * w) + d * d * w * w);
}

double HighPass(double hz, double fc, double d)
{
    const double w = Warped(hz, fc);
    return w * w / std::sqrt((1 - w * w) * (1 - w * w) + d * d * w * w);
}

// Width in Hz of the region where the magnitude is on the far side of
// `level` (above for peaks, below for notches) around `centre`.
double WidthAround(const std::vector<double>& m, double centre, double level, bool peak)
{
    const double binHz = kRate / kLength;
    auto inside = [&](size_t k) { return peak ? m[k] >= level : m[k] <= level; };
    auto k = static_cast<size_t>(centre / binHz);
    size_t low = k, high = k;
    while (low > 0 && inside(low - 1))
        --low;
    while (high + 1 < m.size() && inside(high + 1))
        ++high;
    return static_cast<double>(high - low + 1) * binHz;
}

} // namespace

TEST(MultiModeFilterTest, LowAndHighPassFollowTheAnalyticResponse)
{
    for (double resonance : {0.0, 6.0, 12.0}) {
        const double octave = FrequencyToOctave(1000.0);
        const double d = std::sqrt(2.0) * std::pow(10.0, -resonance / 10.0);
        const double g = std::pow(10.0, -resonance / 20.0);
        for (int32_t mode : {CMultiModeFilter::MODE_LOW_PASS, CMultiModeFilter::MODE_HIGH_PASS}) {
            CMultiModeFilter filter(kTestRate);
            filter.SetMode(mode);
            filter.SetCutoff(octave);
            filter.SetResonance(resonance);
            const auto m = MeasuredMagnitude(filter);
            for (double hz : {100.0, 500.0, 900.0, 1000.0, 1100.0, 2000.0, 8000.0}) {
                const double expected =
                    g * (mode == CMultiModeFilter::MODE_LOW_PASS ? LowPass(hz, 1000.0, d) : HighPass(hz, 1000.0, d));
                EXPECT_NEAR(MagnitudeAt(m, hz), expected, expected * 2e-3 + 1e-7)
                    << "mode " << mode << " R " << resonance << " at " << hz;
            }
            // At the cutoff itself the prototype gives 1/d.
            EXPECT_NEAR(MagnitudeAt(m, 1000.0), g / d, g / d * 2e-3);
        }
    }
}

TEST(MultiModeFilterTest, BandPassPeaksAtTheCutoffBandStopNotchesThere)
{
    for (double resonance : {0.0, 6.0, 12.0}) {
        const double fc = 2000.0;
        const double g = std::pow(10.0, -resonance / 20.0);
        // −3 dB width fc·10^(−R/10): Q = 1 at R = 0.
        const double width = fc * std::pow(10.0, -resonance / 10.0);
        CMultiModeFilter bp(kTestRate), bs(kTestRate);
        bp.SetMode(CMultiModeFilter::MODE_BAND_PASS);
        bs.SetMode(CMultiModeFilter::MODE_BAND_STOP);
        for (auto* f : {&bp, &bs}) {
            f->SetCutoff(FrequencyToOctave(fc));
            f->SetResonance(resonance);
        }
        const auto p = MeasuredMagnitude(bp), s = MeasuredMagnitude(bs);
        EXPECT_NEAR(MagnitudeAt(p, fc), g, g * 1e-3) << resonance;
        EXPECT_LT(MagnitudeAt(s, fc), g * 0.02) << resonance;
        EXPECT_NEAR(s[0], g, 1e-9);                      // band stop passes DC
        EXPECT_NEAR(p[0], 0.0, 1e-9);                    // band pass blocks it
        EXPECT_NEAR(WidthAround(p, fc, g / std::sqrt(2.0), true), width, width * 0.02 + 2.0) << resonance;
        EXPECT_NEAR(WidthAround(s, fc, g / std::sqrt(2.0), false), width, width * 0.02 + 2.0) << resonance;
        // Band pass and band stop are complementary: |BP|² + |BS|² = g².
        for (double hz : {300.0, 1500.0, 2500.0, 9000.0}) {
            const double a = MagnitudeAt(p, hz), b = MagnitudeAt(s, hz);
            EXPECT_NEAR(a * a + b * b, g * g, g * g * 5e-3) << hz;
        }
    }
}

TEST(MultiModeFilterTest, CascadeSquaresAndGainFactorScales)
{
    CMultiModeFilter one(kTestRate), two(kTestRate);
    for (auto* f : {&one, &two}) {
        f->SetCutoff(FrequencyToOctave(3000.0));
        f->SetResonance(3.0);
    }
    two.SetCascade(true);
    two.SetGain(16.0);
    const auto a = MeasuredMagnitude(one), b = MeasuredMagnitude(two);
    const double g = std::pow(10.0, -3.0 / 20.0);
    for (double hz : {200.0, 2000.0, 3000.0, 5000.0}) {
        // Two sections of the same biquad, output gain applied once.
        const double single = MagnitudeAt(a, hz) / g;
        EXPECT_NEAR(MagnitudeAt(b, hz), 16.0 * g * single * single, 16.0 * g * single * single * 3e-3) << hz;
    }
}

TEST(MultiModeFilterTest, CutoffIsClampedToOneHertzAndAQuarterOfTheRate)
{
    auto impulse = [](double octave, const double* offset) {
        CMultiModeFilter f(kTestRate);
        f.SetCutoff(octave);
        f.SetResonance(2.0);
        std::vector<double> x(512, 0.0);
        x[0] = 1.0;
        f.Render(x.data(), 512, offset);
        return x;
    };
    // Just beyond each limit, so that rounding of the octave cannot land
    // inside.
    const double quarter = FrequencyToOctave(kRate / 4.0) + 1e-9;
    const double oneHertz = FrequencyToOctave(1.0) - 1e-9;
    EXPECT_EQ(impulse(40.0, nullptr), impulse(quarter, nullptr));
    EXPECT_NE(impulse(quarter - 0.01, nullptr), impulse(quarter, nullptr));
    EXPECT_EQ(impulse(-40.0, nullptr), impulse(oneHertz, nullptr));
    EXPECT_NE(impulse(FrequencyToOctave(1.05), nullptr), impulse(oneHertz, nullptr));
    // Offsets are clamped the same way.
    std::vector<double> up(512, 30.0);
    EXPECT_EQ(impulse(10.0, up.data()), impulse(quarter, nullptr));

    CMultiModeFilter f(kTestRate);
    EXPECT_EQ(f.ClampedFrequency(100.0), kRate / 4.0);
    EXPECT_EQ(f.ClampedFrequency(-100.0), 1.0);
    // The quarter-rate limit keeps the high pass finite and stable.
    f.SetMode(CMultiModeFilter::MODE_HIGH_PASS);
    f.SetCutoff(40.0);
    f.SetResonance(24.0);
    auto m = MeasuredMagnitude(f);
    for (double v : m)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(MultiModeFilterTest, OffsetsAreReadEveryFourthSample)
{
    auto run = [](const double* cutoff, const double* resonance, double baseOctave, double baseResonance) {
        CMultiModeFilter f(kTestRate);
        f.SetCutoff(baseOctave);
        f.SetResonance(baseResonance);
        std::vector<double> x(1024);
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = std::sin(0.05 * static_cast<double>(i)) + (i % 7 == 0 ? 0.5 : 0.0);
        f.Render(x.data(), 512, cutoff, resonance);
        f.Render(x.data() + 512, 512, cutoff, resonance);
        return x;
    };
    // Values between the fourth samples are never read.
    std::vector<double> cutoff(512), resonance(512);
    for (size_t i = 0; i < 512; ++i) {
        cutoff[i] = i % 4 == 0 ? 1.0 : -3.0;
        resonance[i] = i % 4 == 0 ? 2.0 : 9.0;
    }
    const auto modulated = run(cutoff.data(), resonance.data(), 7.0, 4.0);
    const auto fixed = run(nullptr, nullptr, 8.0, 6.0);
    for (size_t i = 0; i < fixed.size(); ++i)
        ASSERT_NEAR(modulated[i], fixed[i], 1e-12) << i;

    // A change on a fourth sample takes effect from that sample.
    std::vector<double> step(512, 0.0);
    for (size_t i = 100; i < 512; ++i)
        step[i] = 2.0;
    const auto stepped = run(step.data(), nullptr, 6.0, 0.0);
    const auto plain = run(nullptr, nullptr, 6.0, 0.0);
    for (size_t i = 0; i < 100; ++i)
        ASSERT_EQ(stepped[i], plain[i]) << i;
    EXPECT_NE(stepped[100], plain[100]);
}

TEST(MultiModeFilterTest, ModeChangesAndClearing)
{
    CMultiModeFilter f(kTestRate);
    f.SetCutoff(FrequencyToOctave(500.0));
    std::vector<double> x(256, 1.0);
    f.Render(x.data(), 256);
    // Clear forgets the history: the same input gives the same output again.
    f.Clear();
    std::vector<double> y(256, 1.0);
    f.Render(y.data(), 256);
    EXPECT_EQ(x, y);
    f.SetMode(7);
    EXPECT_EQ(f.GetMode(), CMultiModeFilter::MODE_BAND_STOP);
    f.SetMode(-1);
    EXPECT_EQ(f.GetMode(), CMultiModeFilter::MODE_LOW_PASS);
}

TEST(AmplifierTest, ExponentialAndLinearGains)
{
    std::vector<double> control{0.0, 0.5, 1.0, 2.0};
    std::vector<double> x(4, 3.0);
    CAmplifier(CAmplifier::MODE_EXPONENTIAL, 1.0).Render(x.data(), control.data(), 4);
    EXPECT_EQ(x[0], 0.0); // silence at 0
    EXPECT_NEAR(x[1], 3.0 * (std::sqrt(2.0) - 1.0), 1e-12);
    EXPECT_EQ(x[2], 3.0); // unity at 1
    EXPECT_EQ(x[3], 9.0);
    std::vector<double> y(4, 3.0);
    CAmplifier(CAmplifier::MODE_EXPONENTIAL, 2.0).Render(y.data(), control.data(), 4);
    EXPECT_EQ(y[3], 3.0);
    std::vector<double> z(4, 3.0);
    CAmplifier(CAmplifier::MODE_LINEAR, 2.0).Render(z.data(), control.data(), 4);
    EXPECT_EQ(z, (std::vector<double>{0.0, 0.75, 1.5, 3.0}));
}

TEST(MultiModeFilterTest, TwoFiltersInOnePassEqualOneAfterTheOther)
{
    // Both cutoffs and one resonance sweep every sample, in blocks whose
    // length is no multiple of the coefficient interval; the single pass
    // must give the same samples, and leave both filters as the two passes
    // would, so that the next block continues alike.
    const auto setUp = [](CMultiModeFilter& one, CMultiModeFilter& two) {
        one.SetCutoff(7.0);
        one.SetResonance(6.0);
        two.SetMode(CMultiModeFilter::MODE_HIGH_PASS);
        two.SetCutoff(5.0);
        two.SetResonance(2.0);
    };
    CMultiModeFilter a1(kTestRate), a2(kTestRate), b1(kTestRate), b2(kTestRate);
    setUp(a1, a2);
    setUp(b1, b2);
    const auto clip = [](double x) { return std::clamp(1.5 * x - 0.5 * x * x * x, -1.0, 1.0); };
    uint32_t seed = 1;
    int32_t done = 0;
    for (int32_t count : {37, 256, 1, 90}) {
        std::vector<double> input(static_cast<size_t>(count)), cut1(input.size()), cut2(input.size()),
            res2(input.size());
        for (int32_t i = 0; i < count; ++i, ++done) {
            seed = seed * 1664525u + 1013904223u;
            input[static_cast<size_t>(i)] = static_cast<double>(seed >> 8) / (1 << 23) - 1.0;
            cut1[static_cast<size_t>(i)] = 3.0 * std::sin(done * 0.01);
            cut2[static_cast<size_t>(i)] = 2.0 * std::cos(done * 0.013);
            res2[static_cast<size_t>(i)] = 4.0 * std::sin(done * 0.007);
        }
        std::vector<double> apart = input, together = input;
        a1.Render(apart.data(), count, cut1.data(), nullptr);
        for (double& x : apart)
            x = clip(x);
        a2.Render(apart.data(), count, cut2.data(), res2.data());
        CMultiModeFilter::RenderSeries(b1, cut1.data(), nullptr, b2, cut2.data(), res2.data(), together.data(), count,
                                       clip);
        ASSERT_EQ(apart, together) << "block of " << count;
    }
}
