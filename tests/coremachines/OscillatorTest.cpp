#include "CoreTestContext.h"
#include "Measure.h"
#include "coremachines/CBlepOscillator.h"
#include "coremachines/CRandom.h"
#include "coremachines/CTableOscillator.h"
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr double kRate = kTestRate;

std::vector<double> RenderTable(CTableOscillator& osc, size_t n)
{
    std::vector<double> out(n);
    for (size_t done = 0; done < n; done += 256)
        osc.Render(out.data() + done, static_cast<int32_t>(std::min<size_t>(256, n - done)));
    return out;
}

std::vector<double> RenderBlep(CBlepOscillator& osc, size_t n, const double* pitch = nullptr,
                               const double* width = nullptr)
{
    std::vector<double> out(n);
    for (size_t done = 0; done < n; done += 256) {
        const auto count = static_cast<int32_t>(std::min<size_t>(256, n - done));
        osc.Render(out.data() + done, count, pitch ? pitch + done : nullptr, width ? width + done : nullptr, nullptr,
                   nullptr);
    }
    return out;
}

// Mean-free copy, so that crossing counts work on unipolar shapes too.
std::vector<double> RemoveMean(std::vector<double> x)
{
    double mean = 0;
    for (double v : x)
        mean += v;
    mean /= static_cast<double>(x.size());
    for (double& v : x)
        v -= mean;
    return x;
}

// Power in bins more than `guard` bins away from every multiple of f0
// (harmonics and their images), over all bins.
double AliasedShare(const std::vector<double>& signal, double f0, int guard)
{
    const auto power = measure::PowerSpectrum(signal);
    const double binHz = kRate / static_cast<double>(signal.size());
    double aliased = 0, total = 0;
    for (size_t k = 1; k < power.size(); ++k) {
        total += power[k];
        const double hz = static_cast<double>(k) * binHz;
        const double harmonic = std::round(hz / f0) * f0;
        if (std::abs(hz - harmonic) > guard * binHz)
            aliased += power[k];
    }
    return aliased / total;
}

} // namespace

TEST(TableOscillatorTest, FrequencyAccuracyAndInterpolation)
{
    for (double hz : {1.0 / 3.0 * 100.0, 440.0, 1234.5, 9876.0}) {
        CTableOscillator osc(kTestRate, TestTables().Sine(), hz);
        const auto x = RenderTable(osc, 2 * kTestRate);
        EXPECT_NEAR(measure::CrossingFrequency(x, kRate), hz, hz * 1e-5) << hz;
    }
    // Octave 5 is 440 Hz; interpolated output of the sine table is within
    // the table's interpolation error of a true sine.
    CTableOscillator osc(kTestRate, TestTables().Sine(), 1.0);
    osc.SetOctave(5.0);
    EXPECT_DOUBLE_EQ(osc.Frequency(), 440.0);
    const auto x = RenderTable(osc, 1000);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate), 1e-6);
}

TEST(TableOscillatorTest, SampleAndHoldChangesOnlyAtWraps)
{
    CRandom random(11);
    CTableOscillator osc(kTestRate, TestTables().Sine(), 100.0); // 441 samples per cycle
    osc.SetRandomSource(&random);
    std::vector<double> x(44100);
    osc.RenderSampleAndHold(x.data(), 44100);
    std::vector<size_t> changes;
    std::set<double> values;
    for (size_t i = 1; i < x.size(); ++i) {
        if (x[i] != x[i - 1])
            changes.push_back(i);
        values.insert(x[i]);
        ASSERT_GE(x[i], -1.0);
        ASSERT_LE(x[i], 1.0);
    }
    ASSERT_GE(changes.size(), 95u);
    for (size_t c = 1; c < changes.size(); ++c) {
        const size_t gap = changes[c] - changes[c - 1];
        EXPECT_TRUE(gap == 441 || gap == 882) << gap; // a repeated draw merges two steps
    }
    EXPECT_GT(values.size(), 90u);
}

TEST(TableOscillatorTest, SampleAndGlideMovesSmoothlyBetweenDraws)
{
    CRandom random(12);
    CTableOscillator osc(kTestRate, TestTables().Sine(), 100.0);
    osc.SetRandomSource(&random);
    std::vector<double> x(44100);
    osc.RenderSampleAndGlide(x.data(), 44100);
    // The largest step is one cycle's full swing spread over 441 samples.
    double largest = 0;
    for (size_t i = 1; i < x.size(); ++i)
        largest = std::max(largest, std::abs(x[i] - x[i - 1]));
    EXPECT_LT(largest, 2.0 / 441 + 1e-9);
    EXPECT_GT(largest, 0.0);
    // Straight between the wraps: second differences vanish except at them.
    int bends = 0;
    for (size_t i = 2; i < x.size(); ++i)
        if (std::abs(x[i] - 2 * x[i - 1] + x[i - 2]) > 1e-12)
            ++bends;
    EXPECT_LE(bends, 2 * 100 + 2);
}

TEST(TableOscillatorTest, PitchBufferAndTwoTableMix)
{
    CTableOscillator osc(kTestRate, TestTables().Sine(), 1.0);
    osc.SetOctave(4.0); // base 220 Hz
    std::vector<double> pitch(344 * 256, 1.0); // one octave up
    std::vector<double> x(pitch.size());
    for (size_t done = 0; done < x.size(); done += 256)
        osc.RenderPitched(x.data() + done, pitch.data() + done, 256);
    EXPECT_NEAR(measure::CrossingFrequency(x, kRate), 440.0, 0.01);

    // Mix weights: 0 is the own table, 1 the second table, a weight buffer
    // scales the weight per sample.
    auto mix = [&](double w, const double* weights) {
        CTableOscillator m(kTestRate, TestTables().Sine(), 1.0);
        m.SetOctave(5.0);
        std::vector<double> zero(512, 0.0), out(512);
        m.RenderMix(out.data(), zero.data(), TestTables().Square(), w, weights, 512);
        return out;
    };
    CTableOscillator plain(kTestRate, TestTables().Sine(), 440.0);
    std::vector<double> sine(512);
    plain.Render(sine.data(), 512);
    EXPECT_EQ(mix(0.0, nullptr), sine);
    const auto square = mix(1.0, nullptr);
    EXPECT_EQ(square[1], 1.0);
    EXPECT_EQ(square[60], -1.0); // 440 Hz: half a cycle is 50 samples
    std::vector<double> half(512, 0.5);
    const auto a = mix(1.0, half.data()), b = mix(0.5, nullptr);
    for (size_t i = 0; i < 512; ++i)
        ASSERT_NEAR(a[i], b[i], 1e-15);
    EXPECT_NEAR(b[10], 0.5 * sine[10] + 0.5, 1e-12);
}

TEST(BlepOscillatorTest, FrequencyAccuracyForEveryShape)
{
    for (int32_t shape : {CBlepOscillator::SHAPE_SAW, CBlepOscillator::SHAPE_SQUARE,
                          CBlepOscillator::SHAPE_TRI_SQUARE}) {
        for (double hz : {55.0, 440.0, 3000.7}) {
            CBlepOscillator osc(kTestRate, TestTables().Saw(), hz, &TestTables().Step(),
                                &TestTables().IntegratedStep());
            osc.SelectShape(shape);
            const auto x = RemoveMean(RenderBlep(osc, 2 * kTestRate));
            EXPECT_NEAR(measure::CrossingFrequency(x, kRate), hz, hz * 2e-5) << "shape " << shape << " " << hz;
        }
    }
    // Through a pitch buffer: base octave 5 plus −1.5 octaves.
    CBlepOscillator osc(kTestRate, TestTables().Saw(), 440.0, &TestTables().Step(), &TestTables().IntegratedStep());
    std::vector<double> pitch(2 * kTestRate, -1.5);
    const auto x = RemoveMean(RenderBlep(osc, pitch.size(), pitch.data()));
    EXPECT_NEAR(measure::CrossingFrequency(x, kRate), 440.0 / std::pow(2.0, 1.5), 0.01);
}

TEST(BlepOscillatorTest, BandLimitedSawAliasesFortyDecibelsLessThanNaive)
{
    const size_t n = 1 << 16;
    CBlepOscillator blep(kTestRate, TestTables().Saw(), 5000.0, &TestTables().Step(), &TestTables().IntegratedStep());
    CBlepOscillator naive(kTestRate, TestTables().Saw(), 5000.0);
    const auto a = RenderBlep(blep, n), b = RenderBlep(naive, n);
    const double blepShare = AliasedShare(a, 5000.0, 6), naiveShare = AliasedShare(b, 5000.0, 6);
    const double improvement = 10.0 * std::log10(naiveShare / blepShare);
    EXPECT_GE(improvement, 40.0) << "naive " << naiveShare << " band-limited " << blepShare;
    RecordProperty("aliasing_improvement_db", std::to_string(improvement));
    // The harmonics themselves are kept: the fundamental's level matches.
    const auto pa = measure::PowerSpectrum(a), pb = measure::PowerSpectrum(b);
    const auto bin = static_cast<size_t>(std::round(5000.0 * n / kRate));
    double fa = 0, fb = 0;
    for (size_t k = bin - 4; k <= bin + 4; ++k) {
        fa += pa[k];
        fb += pb[k];
    }
    EXPECT_NEAR(10 * std::log10(fa / fb), 0.0, 0.5);
}

TEST(BlepOscillatorTest, PulseWidthSetsTheDutyCycle)
{
    for (double width : {-0.6, 0.0, 0.5}) {
        CBlepOscillator osc(kTestRate, TestTables().Saw(), 100.0, &TestTables().Step(),
                            &TestTables().IntegratedStep());
        osc.SelectShape(CBlepOscillator::SHAPE_SQUARE);
        std::vector<double> pw(kTestRate, width);
        const auto x = RenderBlep(osc, pw.size(), nullptr, pw.data());
        size_t high = 0;
        for (double v : x)
            high += v > 0.0;
        // Low until the phase passes w, then high.
        const double expected = 1.0 - (width + 1.0) / 2.0;
        EXPECT_NEAR(static_cast<double>(high) / static_cast<double>(x.size()), expected, 0.005) << width;
    }
    // Widths at the ends give constant levels, without a spurious edge.
    for (double width : {-1.0, 1.0, 3.0}) {
        CBlepOscillator osc(kTestRate, TestTables().Saw(), 441.0, &TestTables().Step(),
                            &TestTables().IntegratedStep());
        osc.SelectShape(CBlepOscillator::SHAPE_SQUARE);
        std::vector<double> pw(4096, width);
        const auto x = RenderBlep(osc, pw.size(), nullptr, pw.data());
        const double level = width <= -1.0 ? 1.0 : -1.0;
        for (size_t i = 200; i < x.size(); ++i)
            ASSERT_NEAR(x[i], level, 1e-9) << width << " at " << i;
    }
}

TEST(BlepOscillatorTest, TriSquareEdgesRampWhereSquareEdgesJump)
{
    auto riseTime = [](int32_t shape) {
        CBlepOscillator osc(kTestRate, TestTables().Saw(), 100.0, &TestTables().Step(),
                            &TestTables().IntegratedStep());
        osc.SelectShape(shape);
        const auto x = RenderBlep(osc, 2000);
        // The second rising edge (the first starts from rest), from −0.8 to
        // +0.8 around its zero crossing.
        size_t zero = 500;
        while (!(x[zero - 1] < 0.0 && x[zero] >= 0.0))
            ++zero;
        size_t from = zero, to = zero;
        while (x[from - 1] > -0.8)
            --from;
        while (x[to] < 0.8)
            ++to;
        return static_cast<double>(to - from);
    };
    EXPECT_LE(riseTime(CBlepOscillator::SHAPE_SQUARE), 3.0);
    // The integrated step rises over the table's 64 samples: 80 % of it.
    EXPECT_NEAR(riseTime(CBlepOscillator::SHAPE_TRI_SQUARE), 0.8 * 64, 6.0);
}

TEST(BlepOscillatorTest, HardSyncFollowsTheMaster)
{
    CBlepOscillator master(kTestRate, TestTables().Saw(), 225.0, &TestTables().Step(), &TestTables().IntegratedStep());
    CBlepOscillator slave(kTestRate, TestTables().Saw(), 567.0, &TestTables().Step(), &TestTables().IntegratedStep());
    const size_t n = 1 << 16;
    std::vector<double> a(n), b(n), sync(n);
    for (size_t done = 0; done < n; done += 256) {
        master.Render(a.data() + done, 256, nullptr, nullptr, nullptr, sync.data() + done);
        slave.Render(b.data() + done, 256, nullptr, nullptr, sync.data() + done, nullptr);
    }
    size_t restarts = 0;
    for (double s : sync) {
        ASSERT_TRUE(s == 0.0 || s == 1.0);
        restarts += s == 0.0;
    }
    EXPECT_NEAR(static_cast<double>(restarts), 225.0 * n / kRate, 1.0);
    // The slave repeats with the master's period (196 samples): its
    // spectrum is harmonic in 225 Hz, not 567 Hz.
    EXPECT_LT(AliasedShare(b, 225.0, 6), 1e-3);
    EXPECT_GT(AliasedShare(b, 567.0, 6), 0.1);
}

TEST(BlepOscillatorTest, PitchIsReadOnEveryFourthSampleOnly)
{
    // Values between the fourth samples are never read: the output equals
    // that of a constant pitch, for both oscillator kinds.
    std::vector<double> odd(1024), flat(1024, 0.5);
    for (size_t i = 0; i < odd.size(); ++i)
        odd[i] = i % 4 == 0 ? 0.5 : 3.0;
    std::vector<double> a(1024), b(1024);
    CBlepOscillator x(kTestRate, TestTables().Saw(), 440.0, &TestTables().Step(), &TestTables().IntegratedStep());
    CBlepOscillator y(kTestRate, TestTables().Saw(), 440.0, &TestTables().Step(), &TestTables().IntegratedStep());
    for (int32_t done = 0; done < 1024; done += 256) {
        x.Render(a.data() + done, 256, odd.data() + done, nullptr, nullptr, nullptr);
        y.Render(b.data() + done, 256, flat.data() + done, nullptr, nullptr, nullptr);
    }
    EXPECT_EQ(a, b);
    CTableOscillator t(kTestRate, TestTables().Sine(), 1.0), u(kTestRate, TestTables().Sine(), 1.0);
    t.RenderPitched(a.data(), odd.data(), 1024);
    u.RenderPitched(b.data(), flat.data(), 1024);
    EXPECT_EQ(a, b);
    t.RenderMix(a.data(), odd.data(), TestTables().Square(), 0.3, nullptr, 1024);
    u.RenderMix(b.data(), flat.data(), TestTables().Square(), 0.3, nullptr, 1024);
    EXPECT_EQ(a, b);
}

TEST(BlepOscillatorTest, FrequencyClampAndTransposition)
{
    CBlepOscillator osc(kTestRate, TestTables().Saw(), 440.0, &TestTables().Step(), &TestTables().IntegratedStep());
    std::vector<double> up(1 << 16, 6.0); // 28 kHz asked, a quarter of the rate given
    auto x = RemoveMean(RenderBlep(osc, up.size(), up.data()));
    EXPECT_NEAR(measure::PeakFrequency(x, kRate), kRate / 4.0, 2.0);
    std::vector<double> down(4 * kTestRate, -12.0); // below 1 Hz: 1 Hz
    x = RemoveMean(RenderBlep(osc, down.size(), down.data()));
    EXPECT_NEAR(measure::CrossingFrequency(x, kRate), 1.0, 1e-3);

    osc.SetBaseFrequency(440.0, 0.5 + 12.0 / 96.0);
    EXPECT_NEAR(osc.Frequency(), 880.0, 1e-9);
    EXPECT_NEAR(osc.BaseOctave(), 6.0, 1e-12);
    osc.SetBaseFrequency(440.0, 0.5 - 12.5 / 96.0); // truncates toward zero: −12
    EXPECT_NEAR(osc.Frequency(), 220.0, 1e-9);
    osc.SetBaseFrequency(440.0, 0.5, 0.5);
    EXPECT_NEAR(osc.Frequency(), 440.0 * std::pow(2.0, 0.5 / 12.0), 1e-9);
    osc.SetBaseFrequency(261.6255653005986, 0.0); // −48 semitones
    EXPECT_NEAR(osc.Frequency(), 261.6255653005986 / 16.0, 1e-9);
}
