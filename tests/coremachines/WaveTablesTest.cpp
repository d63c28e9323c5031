#include "CoreTestContext.h"
#include "Measure.h"
#include "coremachines/CStepTable.h"
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numeric>

TEST(WaveTablesTest, SingleCycleTables)
{
    const CWaveTables& t = TestTables();
    EXPECT_EQ(t.cpuFlags, TestHost().GetCPUFlags());
    const WaveTable sine = t.Sine(), cosine = t.Cosine(), triangle = t.Triangle(), saw = t.Saw(),
                    square = t.Square();
    for (const WaveTable& w : {sine, cosine, triangle, saw, square})
        ASSERT_EQ(w.size, 8192);
    EXPECT_EQ(sine.values[0], 0.0);
    EXPECT_EQ(sine.values[2048], 1.0);
    EXPECT_NEAR(sine.values[6144], -1.0, 1e-15);
    EXPECT_EQ(cosine.values[0], 1.0);
    EXPECT_NEAR(cosine.values[4096], -1.0, 1e-15);
    // Triangle: 0, peak +1 a quarter in, 0 half-way, −1 three quarters in.
    EXPECT_EQ(triangle.values[0], 0.0);
    EXPECT_EQ(triangle.values[2048], 1.0);
    EXPECT_EQ(triangle.values[4096], 0.0);
    EXPECT_EQ(triangle.values[6144], -1.0);
    EXPECT_NEAR(triangle.values[1024], 0.5, 1e-15);
    // Saw falls from +1; square is +1 for the first half.
    EXPECT_EQ(saw.values[0], 1.0);
    EXPECT_EQ(saw.values[4096], 0.0);
    EXPECT_NEAR(saw.values[8191], -1.0, 2.0 / 8192 + 1e-15);
    EXPECT_EQ(square.values[4095], 1.0);
    EXPECT_EQ(square.values[4096], -1.0);
}

TEST(WaveTablesTest, StoredStepTableIsTheGeneratorsMinimumPhaseStep)
{
    const CStepTable& step = TestTables().Step();
    ASSERT_EQ(step.ZeroCrossings(), 32);
    ASSERT_EQ(step.Oversampling(), 256);
    ASSERT_EQ(step.Size(), 16385);
    const auto& v = step.Values();
    EXPECT_NEAR(v.front(), 0.0, 1e-4);
    EXPECT_EQ(v.back(), 1.0);
    const double peak = *std::max_element(v.begin(), v.end());
    EXPECT_GT(peak, 1.18);
    EXPECT_LT(peak, 1.25);
    // Minimum phase: the rise happens within the first few output samples,
    // not in the middle (sample 32) as a linear-phase step's would.
    const auto firstHalf = std::find_if(v.begin(), v.end(), [](double x) { return x >= 0.5; }) - v.begin();
    EXPECT_LT(firstHalf, 6 * 256);

    // The library's resource holds exactly what the build-time tool wrote.
    std::ifstream file(STEP_TABLE_FILE, std::ios::binary);
    ASSERT_TRUE(file.good());
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, step.Serialize());
}

TEST(WaveTablesTest, IntegratedStepIsTheNormalisedRunningSum)
{
    const auto& step = TestTables().Step().Values();
    const CStepTable& integrated = TestTables().IntegratedStep();
    ASSERT_EQ(integrated.Size(), 16385);
    EXPECT_EQ(integrated.ZeroCrossings(), 32);
    EXPECT_EQ(integrated.Oversampling(), 256);
    const auto& v = integrated.Values();
    EXPECT_EQ(v.back(), 1.0);
    const double total = std::accumulate(step.begin(), step.end(), 0.0);
    for (size_t i : {0u, 100u, 5000u, 16000u})
        EXPECT_NEAR(v[i + 1] - v[i], step[i + 1] / total, 1e-12);
    // After the step's rise the sum grows about linearly: a ramp over the
    // table's 64 output samples.
    EXPECT_NEAR(integrated.At(32.0), 0.5, 0.03);
}

TEST(WaveTablesTest, ImpulseTableKeepsTheWindowedSincsMagnitude)
{
    const CStepTable& impulse = TestTables().Impulse();
    ASSERT_EQ(impulse.ZeroCrossings(), 8);
    ASSERT_EQ(impulse.Oversampling(), 16);
    ASSERT_EQ(impulse.Size(), 257);
    const auto& v = impulse.Values();

    // The linear-phase original, built here from its definition.
    std::vector<double> sinc(257);
    for (size_t i = 0; i < 257; ++i) {
        const double x = static_cast<double>(i) / 256.0 * 16.0 - 8.0;
        const double pi = std::numbers::pi;
        const double s = x == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
        const double j = static_cast<double>(i);
        sinc[i] = s * (0.42 - 0.5 * std::cos(2 * pi * j / 256) + 0.08 * std::cos(4 * pi * j / 256));
    }
    // Same magnitude response over the pass band (zero-padded to 1024, the
    // band edge is bin 32); the cepstrum of a table this short folds onto
    // itself, which leaves a ripple of up to 7 % (an independent
    // implementation of the same steps shows the same).
    auto spectrum = [](const std::vector<double>& x) {
        std::vector<std::complex<double>> a(1024);
        for (size_t i = 0; i < x.size(); ++i)
            a[i] = x[i];
        measure::Fft(a);
        return a;
    };
    const auto a = spectrum(v), b = spectrum(sinc);
    for (size_t k = 0; k < 24; ++k)
        EXPECT_NEAR(std::abs(a[k]), std::abs(b[k]), 0.08 * std::abs(b[0])) << "bin " << k;
    // Energy is front-loaded, as in a minimum-phase impulse (the linear-phase
    // original keeps well under 1 % in its first quarter).
    double front = 0, all = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        all += v[i] * v[i];
        if (i < 64)
            front += v[i] * v[i];
    }
    EXPECT_GT(front / all, 0.8);
}

TEST(WaveTablesTest, ParseRefusesInconsistentData)
{
    const auto good = TestTables().Impulse().Serialize();
    CStepTable out;
    ASSERT_TRUE(CStepTable::Parse(good.data(), good.size(), &out));
    EXPECT_EQ(out.Values(), TestTables().Impulse().Values());

    EXPECT_FALSE(CStepTable::Parse(good.data(), 11, &out));
    EXPECT_FALSE(CStepTable::Parse(good.data(), good.size() - 1, &out)); // body one byte short
    auto wrongCount = good;
    wrongCount[8] = 0x02; // n = 258, not 2·8·16 + 1
    EXPECT_FALSE(CStepTable::Parse(wrongCount.data(), wrongCount.size(), &out));
    auto negative = good;
    negative[3] = 0x80; // Z < 0
    EXPECT_FALSE(CStepTable::Parse(negative.data(), negative.size(), &out));
    auto huge = good;
    huge[4] = huge[5] = huge[6] = 0xff; // O far too large, n overflowing int32
    huge[7] = 0x7f;
    EXPECT_FALSE(CStepTable::Parse(huge.data(), huge.size(), &out));
}

TEST(WaveTablesTest, StepCorrectionsAreTheInterpolatedTableToTheLastBit)
{
    // The oscillator adds corrections from a copy of the table ordered by
    // fraction; they must be the very values At gives, at fractions next to
    // a row's edge (where k + since rounds into the next row) and at 0 and 1,
    // on runs that start anywhere and have odd lengths.
    const CStepTable& step = TestTables().IntegratedStep();
    const int32_t span = 2 * step.ZeroCrossings();
    const double row = 1.0 / step.Oversampling();
    const double edge = 77 * row;
    for (double since : {0.0, 1.0, 0.3183098861837907, edge, std::nextafter(edge, 0.0), edge - 1e-15, 1.0 - 1e-16,
                         std::nextafter(1.0, 0.0)}) {
        for (auto [first, count] : {std::pair{0, span}, std::pair{5, 30}, std::pair{1, span - 1}, std::pair{63, 1}}) {
            std::vector<double> got(static_cast<size_t>(count), 0.25);
            step.AddCorrections(-0.7, since, first, got.data(), count);
            for (int32_t j = 0; j < count; ++j) {
                const double want = 0.25 + -0.7 * (1.0 - step.At(first + j + since));
                ASSERT_EQ(got[static_cast<size_t>(j)], want) << "since " << since << " first " << first << " j " << j;
            }
        }
    }
}
