#include "coremachines/CRandom.h"
#include "coremachines/VectorOps.h"
#include "framework/FeatureFlags.h"
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<double> RandomData(size_t n, uint32_t seed)
{
    CRandom random(seed);
    std::vector<double> v(n);
    for (double& x : v)
        x = random.Noise() * 3.7;
    return v;
}

// Both paths over every count up to 19 and at an odd (8-byte) offset.
template <typename Op>
void ExpectPathsAgree(Op op)
{
    for (int32_t count : {0, 1, 2, 3, 4, 5, 7, 16, 19, 256}) {
        for (size_t offset : {0u, 1u}) {
            auto a = RandomData(300, 7), b = RandomData(300, 9);
            auto a2 = a;
            op(0, a.data() + offset, b.data() + offset, count);
            op(FEATURE_SSE2, a2.data() + offset, b.data() + offset, count);
            ASSERT_EQ(std::memcmp(a.data(), a2.data(), a.size() * sizeof(double)), 0)
                << "count " << count << " offset " << offset;
        }
    }
}

} // namespace

TEST(VectorOpsTest, PlainAndSse2PathsGiveIdenticalBits)
{
    ExpectPathsAgree([](int32_t f, double* d, const double*, int32_t n) { VectorOps::AddConstant(f, d, n, 0.1); });
    ExpectPathsAgree([](int32_t f, double* d, const double* s, int32_t n) {
        VectorOps::ScaleAccumulate(f, d, s, n, 0.3, true);
    });
    ExpectPathsAgree([](int32_t f, double* d, const double* s, int32_t n) {
        VectorOps::ScaleAccumulate(f, d, s, n, -1.7, false);
    });
    ExpectPathsAgree([](int32_t f, double* d, const double* s, int32_t n) { VectorOps::Modulate(f, d, s, n, 0.45); });
    ExpectPathsAgree([](int32_t f, double* d, const double* s, int32_t n) { VectorOps::Multiply(f, d, s, n); });
}

TEST(VectorOpsTest, ResultsAndBounds)
{
    for (int32_t flags : {0, static_cast<int32_t>(FEATURE_SSE2)}) {
        std::vector<double> d{1, 2, 3, 4, 5, 99};
        const std::vector<double> s{1, -1, 2, -2, 0.5, 99};
        VectorOps::AddConstant(flags, d.data(), 5, 1.0);
        EXPECT_EQ(d, (std::vector<double>{2, 3, 4, 5, 6, 99}));
        VectorOps::ScaleAccumulate(flags, d.data(), s.data(), 5, 2.0, false);
        EXPECT_EQ(d, (std::vector<double>{4, 1, 8, 1, 7, 99}));
        VectorOps::ScaleAccumulate(flags, d.data(), s.data(), 5, 2.0, true);
        EXPECT_EQ(d, (std::vector<double>{2, -2, 4, -4, 1, 99}));
        VectorOps::Modulate(flags, d.data(), s.data(), 5, 0.5);
        EXPECT_EQ(d, (std::vector<double>{3, -1, 8, 0, 1.25, 99}));
        VectorOps::Multiply(flags, d.data(), s.data(), 5);
        EXPECT_EQ(d, (std::vector<double>{3, 1, 16, 0, 0.625, 99}));
    }
}

TEST(RandomTest, RangeMeanAndSeeding)
{
    CRandom random(1234);
    double sum = 0, low = 1, high = -1;
    int32_t smallest = 1 << 20, largest = -1;
    for (int i = 0; i < 200000; ++i) {
        CRandom copy = random;
        const int32_t raw = copy.Next();
        smallest = std::min(smallest, raw);
        largest = std::max(largest, raw);
        const double x = random.Noise();
        sum += x;
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_EQ(smallest, 0);
    EXPECT_EQ(largest, 32767);
    EXPECT_GE(low, -1.0);
    EXPECT_LE(high, 1.0);
    EXPECT_NEAR(sum / 200000, 0.0, 0.01);

    CRandom a(5), b(5), c(6);
    EXPECT_EQ(a.Next(), b.Next());
    EXPECT_NE(a.Next(), c.Next());
    CRandom bipolar(3);
    for (int i = 0; i < 1000; ++i) {
        const double x = bipolar.Bipolar();
        EXPECT_GE(x, -1.0);
        EXPECT_LE(x, 1.0);
    }
}
