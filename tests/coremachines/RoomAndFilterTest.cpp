#include "Measure.h"
#include "MachineDriver.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CRandom.h"
#include "coremachines/CStereoJoiner.h"
#include "coremachines/CStereoSplitter.h"
#include "coremachines/CViziRavezFilter.h"
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using RoomPtr = std::unique_ptr<CDizodirEzav, MachineReleaser>;
using FilterPtr = std::unique_ptr<CViziRavezFilter, MachineReleaser>;

RoomPtr MakeRoom()
{
    return RoomPtr(new CDizodirEzav(&TestHost(), &TestTables()));
}

Rendered Impulse(CMachine* machine, int32_t frames, bool left = true)
{
    return CMachineDriver(machine, -1, 0, 1).Run(frames, {}, [left](int32_t f) {
        const double x = f == 0 ? 1.0 : 0.0;
        return left ? std::pair{x, 0.0} : std::pair{0.0, x};
    });
}

// Samples from a point to a listener at the speed of sound.
double PathSamples(double x0, double y0, double x1, double y1)
{
    return std::hypot(x1 - x0, y1 - y0) / 346.02 * kTestRate;
}

// A parameter-list blob holding only the first `count` values.
std::vector<unsigned char> ShortBlob(const std::vector<double>& values)
{
    std::vector<unsigned char> blob(8 + 8 * values.size());
    const int32_t magic = kParameterBlobDoubles, count = static_cast<int32_t>(values.size());
    std::memcpy(blob.data(), &magic, 4);
    std::memcpy(blob.data() + 4, &count, 4);
    std::memcpy(blob.data() + 8, values.data(), 8 * values.size());
    return blob;
}

} // namespace

TEST(DizodirEzavTest, TypeNamesAndDisplays)
{
    CDizodirEzavInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT DizodirEzav");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT DizodirEzav");
    RoomPtr room(static_cast<CDizodirEzav*>(info.CreateMachine()));
    ASSERT_EQ(room->portCount, 2);
    EXPECT_EQ(room->ports[0]->flags, 273);
    EXPECT_EQ(room->ports[1]->flags, 289);
    EXPECT_EQ(room->parameterCount, 14);
    EXPECT_FALSE(room->IsGenerator());
    char text[kMachineTextSize];
    const std::pair<int32_t, const char*> names[] = {{0, "Src Left X"}, {7, "Dst Right Y"}, {10, "Wall Absorb"},
                                                     {13, "Gain"}, {14, ""}};
    for (auto [index, name] : names) {
        room->GetParameterName(index, text);
        EXPECT_STREQ(text, name);
    }
    const std::tuple<int32_t, double, const char*> shown[] = {
        {CDizodirEzav::ROOM_WIDTH, 0.0, "10m"}, {CDizodirEzav::ROOM_HEIGHT, 1.0, "30m"},
        {CDizodirEzav::CUTOFF, 1.0, "11025Hz"}, {CDizodirEzav::CUTOFF, 0.0, "14Hz"},
        {CDizodirEzav::GAIN, 0.7, "2.00dB"},   {CDizodirEzav::SRC_LEFT_X, 0.2, "20%"}};
    for (auto [index, value, display] : shown) {
        room->GetParameterDisplayValue(index, value, text);
        EXPECT_STREQ(text, display);
    }
    EXPECT_EQ(room->GetParameter(CDizodirEzav::GAIN), 0.7);
}

TEST(DizodirEzavTest, DirectPathAndFirstReflectionMatchTheGeometry)
{
    for (double size : {0.0, 1.0}) {
        auto room = MakeRoom();
        room->SetParameter(CDizodirEzav::ROOM_WIDTH, size);
        room->SetParameter(CDizodirEzav::ROOM_HEIGHT, size);
        const auto out = Impulse(room.get(), 4096);
        const double side = 20.0 * size + 10.0;
        ASSERT_EQ(room->Width(), side);
        // Left source at (0.26, 0.26)·side, left listener at (0.42, 0.74)·side.
        const double sx = 0.26 * side, sy = 0.26 * side, lx = 0.42 * side, ly = 0.74 * side;
        const double direct = PathSamples(sx, sy, lx, ly);
        // The nearest first-order image: the source mirrored in one wall.
        const double first = std::min({PathSamples(-sx, sy, lx, ly), PathSamples(2 * side - sx, sy, lx, ly),
                                       PathSamples(sx, -sy, lx, ly), PathSamples(sx, 2 * side - sy, lx, ly)});
        const auto& taps = room->Taps(0, 0);
        ASSERT_GE(taps.count, 2);
        EXPECT_EQ(taps.delay[0], static_cast<int32_t>(direct)) << side;
        EXPECT_EQ(taps.gain[0], 1.0);
        EXPECT_EQ(taps.delay[1], static_cast<int32_t>(first)) << side;
        EXPECT_NEAR(taps.gain[1], 0.6 - 0.599 * 0.5, 1e-12);
        // Heard at the output: nothing before the direct path, which comes
        // at a third; the first reflection after it.
        // (The tail enters after its 601-sample feed and a 601-sample line:
        // in the largest room before the direct path.)
        const auto d = static_cast<size_t>(direct);
        for (size_t i = 0; i < std::min<size_t>(d, 1202); ++i)
            ASSERT_LT(std::abs(out.left[i]), 1e-15) << i; // the tail's denormal guard
        if (d < 1202) {
            EXPECT_NEAR(out.left[d], 0.333, 1e-12);
        }
        if (first < 1202) {
            EXPECT_NEAR(out.left[static_cast<size_t>(first)], 0.333 * taps.gain[1], 1e-3);
        }
        // Every tap lies within the longest reflection time.
        for (int32_t s = 0; s < 2; ++s)
            for (int32_t l = 0; l < 2; ++l)
                for (int32_t t = 0; t < room->Taps(s, l).count; ++t)
                    ASSERT_LT(room->Taps(s, l).delay[t], static_cast<int32_t>(0.075 * kTestRate));
    }
}

TEST(DizodirEzavTest, FullAbsorptionLeavesTheDirectPaths)
{
    auto room = MakeRoom();
    room->SetParameter(CDizodirEzav::WALL_ABSORB, 1.0);
    room->Process();
    EXPECT_NEAR(room->Reflection(), 0.001, 1e-12);
    for (int32_t s = 0; s < 2; ++s)
        for (int32_t l = 0; l < 2; ++l) {
            const auto& taps = room->Taps(s, l);
            const auto strongest = std::max_element(taps.gain, taps.gain + taps.count);
            EXPECT_EQ(*strongest, 1.0);
            EXPECT_EQ(strongest, taps.gain); // the direct path comes first
            double rest = 0.0;
            for (int32_t t = 1; t < taps.count; ++t)
                rest += taps.gain[t] * taps.gain[t];
            EXPECT_LT(rest, 1e-5); // −50 dB of reflections at most
        }
}

TEST(DizodirEzavTest, AListenerOnASourceHearsItAtOnce)
{
    auto room = MakeRoom();
    room->SetParameter(CDizodirEzav::DST_LEFT_X, 0.2);
    room->SetParameter(CDizodirEzav::DST_LEFT_Y, 0.2);
    // After the crossfade from the old taps, an impulse is heard at once.
    const auto out = CMachineDriver(room.get(), -1, 0, 1).Run(512, {}, [](int32_t f) {
        return std::pair{f == 300 ? 1.0 : 0.0, 0.0};
    });
    EXPECT_EQ(room->Taps(0, 0).delay[0], 0);
    EXPECT_EQ(room->Taps(0, 0).gain[0], 1.0);
    EXPECT_EQ(out.left[299], 0.0);
    EXPECT_NEAR(out.left[300], 0.333, 1e-12);
}

TEST(DizodirEzavTest, ChangesWaitForTheWorkCallOrIdleAndPresetsApplyAtOnce)
{
    auto room = MakeRoom();
    room->SetParameter(CDizodirEzav::ROOM_WIDTH, 1.0);
    EXPECT_TRUE(room->IsDirty());
    EXPECT_EQ(room->Width(), 10.0); // nothing recomputed inside SetParameter
    room->Process();
    EXPECT_FALSE(room->IsDirty());
    EXPECT_EQ(room->Width(), 30.0);

    room->SetParameter(CDizodirEzav::ROOM_HEIGHT, 0.5);
    room->IdleGUI();
    EXPECT_EQ(room->Height(), 20.0);

    room->BeginProgramChange();
    room->SetParameter(CDizodirEzav::ROOM_WIDTH, 0.25);
    room->SetParameter(CDizodirEzav::CUTOFF, 0.5);
    room->EndProgramChange();
    EXPECT_FALSE(room->IsDirty());
    EXPECT_EQ(room->Width(), 15.0);
    // Half way up the octaves from 13.75 Hz to a quarter of the rate.
    EXPECT_NEAR(room->TailCutoffHz(), std::sqrt(440.0 / 32 * kTestRate / 4.0), 1e-6);
}

TEST(DizodirEzavTest, MovedTapsCrossfadeWithoutAJump)
{
    auto room = MakeRoom();
    CRandom random(2);
    std::vector<double> noise(20000);
    for (double& x : noise)
        x = random.Noise() * 0.5;
    auto feed = [&](int32_t f) { return std::pair{noise[static_cast<size_t>(f)], noise[static_cast<size_t>(f)]}; };
    CMachineDriver driver(room.get(), -1, 0, 1);
    auto first = driver.Run(4096, {}, feed);
    room->SetParameter(CDizodirEzav::DST_LEFT_X, 0.9); // the listener crosses the room
    auto second = CMachineDriver(room.get(), -1, 0, 1).Run(4096, {}, [&](int32_t f) { return feed(f + 4096); });
    // The first sample after the move is still the old set's.
    double typical = 0.0;
    for (size_t i = 3000; i < 4095; ++i)
        typical = std::max(typical, std::abs(first.left[i + 1] - first.left[i]));
    EXPECT_LT(std::abs(second.left[0] - first.left.back()), 1.5 * typical);
}

TEST(DizodirEzavTest, OutOfRangeValuesAreClampedAndShortBlobsKeepDefaults)
{
    auto room = MakeRoom();
    for (int32_t i = 0; i < CDizodirEzav::kParameterCount; ++i)
        room->SetParameter(i, i % 2 ? 7.5 : -3.0);
    room->SetParameter(CDizodirEzav::FEEDBACK, 40.0);
    room->SetParameter(CDizodirEzav::GAIN, std::nan(""));
    const auto out = CMachineDriver(room.get(), -1, 0, 1).Run(5 * kTestRate, {}, [](int32_t f) {
        return std::pair{f < 1000 ? 1.0 : 0.0, 0.0};
    });
    EXPECT_GE(room->Width(), 10.0);
    EXPECT_LE(room->Width(), 30.0);
    for (int32_t p = 0; p < 2; ++p) {
        EXPECT_GE(room->Listener(p).x, 0.0);
        EXPECT_LE(room->Listener(p).x, room->Width());
    }
    double peak = 0.0;
    for (double x : out.left) {
        ASSERT_TRUE(std::isfinite(x));
        peak = std::max(peak, std::abs(x));
    }
    EXPECT_LT(peak, 100.0);

    // A blob with three values: the rest stay at their defaults.
    auto fresh = MakeRoom();
    const auto blob = ShortBlob({0.5, 0.6, 0.7});
    fresh->LoadState(blob.data(), static_cast<int32_t>(blob.size()), true);
    EXPECT_EQ(fresh->GetParameter(2), 0.7);
    EXPECT_EQ(fresh->GetParameter(3), 0.2);
    EXPECT_EQ(fresh->GetParameter(CDizodirEzav::GAIN), 0.7);
    std::unique_ptr<CDrumKit, MachineReleaser> kit(new CDrumKit(&TestHost(), &TestTables()));
    kit->LoadState(blob.data(), static_cast<int32_t>(blob.size()), true);
    EXPECT_EQ(kit->GetParameter(1), 0.6);
    EXPECT_EQ(kit->GetParameter(4), 1.0);
    EXPECT_EQ(kit->GetParameter(37), 0.5);
}

TEST(ViziRavezTest, FactorDisplayAndClampedSelection)
{
    CViziRavezFilterInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT ViziRavez");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT ViziRavez");
    FilterPtr filter(static_cast<CViziRavezFilter*>(info.CreateMachine()));
    EXPECT_EQ(filter->parameterCount, 1);
    char text[kMachineTextSize];
    filter->GetParameterName(0, text);
    EXPECT_STREQ(text, "Oversampling");
    filter->GetParameterName(1, text);
    EXPECT_STREQ(text, "");
    const std::pair<double, const char*> shown[] = {{0.0, "2x"},  {0.25, "4x"}, {0.5, "8x"},   {0.74, "8x"},
                                                    {0.75, "16x"}, {1.0, "32x"}, {9.0, "32x"}, {-2.0, "2x"}};
    for (auto [x, display] : shown) {
        filter->GetParameterDisplayValue(0, x, text);
        EXPECT_STREQ(text, display) << x;
    }
    filter->SetParameter(0, 12.0);
    EXPECT_EQ(filter->SelectedDesign(), 4);
    filter->SetParameter(0, std::nan(""));
    EXPECT_EQ(filter->SelectedDesign(), 0);
    EXPECT_EQ(filter->GetParameter(1), 0.0);
}

TEST(ViziRavezTest, PassBandWithinATenthOfADecibelAtEveryFactor)
{
    for (int32_t k = 0; k < CViziRavezFilter::kDesigns; ++k) {
        FilterPtr filter(new CViziRavezFilter(&TestHost()));
        filter->SetParameter(0, k / 4.0);
        for (double hz : {50.0, 1000.0, 10000.0, 18000.0}) {
            const auto out = CMachineDriver(filter.get(), -1, 0, 1).Run(8192, {}, [hz](int32_t f) {
                const double x = std::sin(2 * std::numbers::pi * hz * f / kTestRate);
                return std::pair{x, -x};
            });
            const double gain = measure::Rms(out.left.data() + 4096, 4096) / std::sqrt(0.5);
            EXPECT_NEAR(measure::Decibels(gain), 0.0, 0.1) << k << " " << hz;
            EXPECT_NEAR(out.right[5000], -out.left[5000], 1e-12);
        }
    }
}

TEST(ViziRavezTest, StopBandOfEachDesign)
{
    // Each design filters the F-fold zero-stuffed signal: above the input's
    // Nyquist frequency (its images) it must attenuate. Response of the
    // taps at frequencies from 0.65 of the input rate up to F/2 of it.
    const double floorDb[CViziRavezFilter::kDesigns] = {-54, -54, -54, -54, -54};
    for (int32_t k = 0; k < CViziRavezFilter::kDesigns; ++k) {
        CViziRavezFilter::Design design;
        CViziRavezFilter::MakeDesign(design, 2 << k);
        const int32_t f = design.factor;
        auto response = [&](double ofInputRate) {
            std::complex<double> h = 0.0;
            const double w = 2 * std::numbers::pi * ofInputRate / f;
            for (size_t j = 0; j < design.taps.size(); ++j)
                h += design.taps[j] * std::polar(1.0, -w * static_cast<double>(j));
            return std::abs(h) * design.gain / f; // the zero stuffing's 1/F
        };
        EXPECT_NEAR(measure::Decibels(response(0.0)), 0.0, 0.01) << f;
        double worst = -300.0;
        for (double x = 0.65; x <= f / 2.0; x += 0.005)
            worst = std::max(worst, measure::Decibels(response(x)));
        RecordProperty("stopband_db_" + std::to_string(f), std::to_string(worst));
        std::printf("factor %2d: stop band from 0.65 fs at most %.1f dB\n", f, worst);
        EXPECT_LT(worst, floorDb[k]) << f;
    }
}

TEST(ViziRavezTest, EachFactorKeepsItsOwnHistory)
{
    FilterPtr filter(new CViziRavezFilter(&TestHost()));
    filter->SetParameter(0, 0.25);
    CMachineDriver(filter.get(), -1, 0, 1).Run(256, {}, [](int32_t) { return std::pair{1.0, 1.0}; });
    filter->SetParameter(0, 0.0);
    CMachineDriver(filter.get(), -1, 0, 1).Run(256, {}, [](int32_t) { return std::pair{0.5, 0.5}; });
    filter->SetParameter(0, 0.25);
    const auto out = CMachineDriver(filter.get(), -1, 0, 1).Run(256, {}, [](int32_t) { return std::pair{0.0, 0.0}; });
    // The 4x design resumes with its old input: a linear-phase delay of 8.
    EXPECT_NEAR(out.left[0], 1.0, 1e-9);
    EXPECT_NEAR(out.left[7], 1.0, 1e-3);
    EXPECT_NEAR(out.left[40], 0.0, 1e-9);
}

TEST(StereoRoutingTest, SplitterAndJoinerAreBitExact)
{
    std::unique_ptr<CStereoSplitter, MachineReleaser> splitter(new CStereoSplitter(&TestHost()));
    std::unique_ptr<CStereoJoiner, MachineReleaser> joiner(new CStereoJoiner(&TestHost()));
    ASSERT_EQ(splitter->portCount, 3);
    EXPECT_STREQ(splitter->ports[0]->name, "Stereo In");
    EXPECT_EQ(splitter->ports[0]->flags, 273);
    EXPECT_STREQ(splitter->ports[2]->name, "Right Out");
    EXPECT_EQ(splitter->ports[2]->flags, 33);
    ASSERT_EQ(joiner->portCount, 3);
    EXPECT_STREQ(joiner->ports[1]->name, "Right In");
    EXPECT_EQ(joiner->ports[1]->flags, 17);
    EXPECT_STREQ(joiner->ports[2]->name, "Stereo Out");
    EXPECT_EQ(joiner->ports[2]->flags, 289);
    CRandom random(8);
    CAudioBuffer* in = splitter->ports[0]->audioBuffer;
    for (int32_t i = 0; i < in->length; ++i) {
        in->left[i] = random.Noise() * 1e-300; // denormals and all
        in->right[i] = random.Noise() * 1e300;
    }
    splitter->Process();
    std::memcpy(joiner->ports[0]->audioBuffer->left, splitter->ports[1]->audioBuffer->left, 8 * in->length);
    std::memcpy(joiner->ports[1]->audioBuffer->left, splitter->ports[2]->audioBuffer->left, 8 * in->length);
    joiner->Process();
    CAudioBuffer* out = joiner->ports[2]->audioBuffer;
    EXPECT_EQ(std::memcmp(out->left, in->left, 8 * in->length), 0);
    EXPECT_EQ(std::memcmp(out->right, in->right, 8 * in->length), 0);

    // A block size of 0 copies nothing.
    splitter->SetBlockSize(0);
    std::fill(splitter->ports[1]->audioBuffer->left, splitter->ports[1]->audioBuffer->left + in->length, 7.0);
    splitter->Process();
    EXPECT_EQ(splitter->ports[1]->audioBuffer->left[0], 7.0);
}

// The room and the filter work on chunks of samples and carry their input
// histories across blocks: whatever the block size, the same input must
// give the same samples as one sample at a time, exactly. The run is long
// enough for the room's history to wrap twice, and the filter changes its
// factor and comes back to it.
TEST(BlockSizeTest, RoomAndFilterSoundTheSameInAnyBlockSize)
{
    constexpr int32_t kPhase = 3 * 4 * 7 * 37; // whole blocks of every size below
    CRandom random(9);
    std::vector<double> noise(6 * kPhase);
    for (double& x : noise)
        x = random.Noise() * 0.5;
    auto feed = [&](int32_t offset) {
        return [&noise, offset](int32_t f) {
            const auto i = static_cast<size_t>(2 * (offset + f));
            return std::pair{noise[i], noise[i + 1]};
        };
    };
    auto render = [&](int32_t block) {
        RoomPtr room = MakeRoom();
        FilterPtr filter(new CViziRavezFilter(&TestHost()));
        for (CMachine* m : {static_cast<CMachine*>(room.get()), static_cast<CMachine*>(filter.get())}) {
            m->SetBlockSize(block);
            m->ResizeBuffers(block);
        }
        std::vector<Rendered> out;
        out.push_back(CMachineDriver(room.get(), -1, 0, 1).Run(3 * kPhase, {}, feed(0)));
        const double factors[3] = {0.5, 0.0, 0.5}; // 8x, 2x, 8x again
        for (int32_t p = 0; p < 3; ++p) {
            filter->SetParameter(0, factors[p]);
            out.push_back(CMachineDriver(filter.get(), -1, 0, 1).Run(kPhase, {}, feed(p * kPhase)));
        }
        return out;
    };
    const auto reference = render(1);
    EXPECT_GT(measure::Rms(reference[0].left.data(), reference[0].left.size()), 0.01);
    EXPECT_GT(measure::Rms(reference[3].right.data(), reference[3].right.size()), 0.01);
    for (int32_t block : {3, 4, 7, 37, 259}) {
        const auto out = render(block);
        for (size_t k = 0; k < out.size(); ++k) {
            EXPECT_EQ(out[k].left, reference[k].left) << "block " << block << ", run " << k;
            EXPECT_EQ(out[k].right, reference[k].right) << "block " << block << ", run " << k;
        }
    }
}
