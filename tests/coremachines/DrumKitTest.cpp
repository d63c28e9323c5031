#include "Measure.h"
#include "MachineDriver.h"
#include "coremachines/CDrumEnvelope.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CKick.h"
#include "coremachines/CEcho.h"
#include "coremachines/CRandom.h"
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using KitPtr = std::unique_ptr<CDrumKit, MachineReleaser>;
using KickPtr = std::unique_ptr<CKick, MachineReleaser>;

KitPtr MakeKit(uint32_t seed = 3)
{
    KitPtr kit(new CDrumKit(&TestHost(), &TestTables()));
    kit->SeedNoise(seed);
    return kit;
}

Rendered Play(CMachine* machine, int32_t frames, std::vector<TimedEvent> events)
{
    return CMachineDriver(machine, 0, -1, 1).Run(frames, std::move(events));
}

TimedEvent Trigger(int32_t frame, int32_t voice)
{
    return {frame, MakeEvent(0, EVENT_NOTE_ON_INT, voice, 1.0)};
}

// Index of the last sample whose magnitude is above `level`, −1 if none.
int64_t LastAbove(const std::vector<double>& x, double level = 0.0)
{
    for (size_t i = x.size(); i-- > 0;)
        if (std::abs(x[i]) > level)
            return static_cast<int64_t>(i);
    return -1;
}

std::vector<double> Envelope(CDrumEnvelope& e, int32_t frames)
{
    std::vector<double> out(static_cast<size_t>(frames));
    for (int32_t done = 0; done < frames; done += 100)
        e.Render(out.data() + done, std::min(100, frames - done));
    return out;
}

// The strongest frequency of a stretch, zero-padded to 2^16 samples.
double Peak(const std::vector<double>& x, size_t from, size_t to)
{
    std::vector<double> part(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to));
    part.resize(1 << 16, 0.0);
    return measure::PeakFrequency(part, kTestRate);
}

} // namespace

TEST(DrumEnvelopeTest, StagesLastTheirTimes)
{
    CDrumEnvelope e(kTestRate, 0.01, 0.1); // 441 and 4410 samples
    e.SetDelay(0.005);                     // 220.5 → 221
    e.SetHold(0.02);                       // 882
    e.Trigger();
    const auto out = Envelope(e, 8000);
    for (int32_t i = 0; i < 221; ++i)
        ASSERT_EQ(out[i], 0.0) << i;
    EXPECT_GT(out[221], 0.0);
    EXPECT_NEAR(out[221 + 219], 0.5, 0.01); // straight attack halfway up
    EXPECT_EQ(out[221 + 440], 1.0);
    EXPECT_EQ(out[221 + 441 + 881], 1.0); // end of hold
    EXPECT_LT(out[221 + 441 + 882], 1.0);
    EXPECT_EQ(LastAbove(out), 221 + 441 + 882 + 4410 - 2);
    EXPECT_FALSE(e.IsActive());
}

TEST(DrumEnvelopeTest, RepeatsRunAgainAndReloadAtEachTrigger)
{
    CDrumEnvelope e(kTestRate, 0.001, 0.004); // 44 + 176 samples a cycle
    e.SetRepeats(3);
    e.Trigger();
    auto out = Envelope(e, 2000);
    int peaks = 0;
    for (double v : out)
        peaks += v == 1.0;
    EXPECT_EQ(peaks, 4);
    EXPECT_NEAR(static_cast<double>(LastAbove(out)), 4 * 0.005 * kTestRate, 8);
    // A second trigger gets all four cycles again.
    e.Trigger();
    out = Envelope(e, 2000);
    peaks = 0;
    for (double v : out)
        peaks += v == 1.0;
    EXPECT_EQ(peaks, 4);
}

TEST(DrumEnvelopeTest, RetriggerContinuesFromTheCurrentLevel)
{
    for (double attackCurve : {0.0, 3.0, -5.0}) {
        CDrumEnvelope e(kTestRate, 0.01, 0.2, attackCurve, -4.0);
        e.SetDelay(0.003); // only from silence
        e.Trigger();
        auto out = Envelope(e, 3000);
        const double before = out.back();
        ASSERT_GT(before, 0.05);
        ASSERT_LT(before, 0.9);
        e.Trigger();
        const auto after = Envelope(e, 600);
        // Straight back up: no drop to 0, no delay, no jump.
        EXPECT_NEAR(after[0], before, 0.01) << attackCurve;
        EXPECT_GT(after[0], before - 1e-12);
        EXPECT_EQ(*std::max_element(after.begin(), after.end()), 1.0);
        for (size_t i = 1; i < 100; ++i)
            ASSERT_LT(std::abs(after[i] - after[i - 1]), 0.02) << i;
    }
}

TEST(DrumKitTest, TypeParametersAndLabels)
{
    CDrumKitInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT DUzoV8");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT DUzoV8");
    KitPtr kit(static_cast<CDrumKit*>(info.CreateMachine()));
    ASSERT_EQ(kit->portCount, 2);
    EXPECT_STREQ(kit->ports[0]->name, "Control In");
    EXPECT_EQ(kit->ports[0]->flags, 18);
    EXPECT_STREQ(kit->ports[1]->name, "Line Out");
    EXPECT_EQ(kit->ports[1]->flags, 289);
    EXPECT_EQ(kit->parameterCount, 38);
    EXPECT_TRUE(kit->IsGenerator());
    char text[kMachineTextSize];
    const std::pair<int32_t, const char*> names[] = {{0, "BD Tune"}, {9, "SD Snappy"}, {21, "HT Decay"},
                                                     {22, "RS Level"}, {37, "RC Decay"}, {38, ""}, {-1, ""}};
    for (auto [index, name] : names) {
        kit->GetParameterName(index, text);
        EXPECT_STREQ(text, name) << index;
    }
    const std::pair<int32_t, const char*> labels[] = {
        {0, "Bass Drum"}, {1, "Snare Drum"}, {4, "High Tom"}, {7, "Closed Hi Hat"}, {10, "Ride Cymbal"}, {11, ""}};
    for (auto [index, label] : labels) {
        kit->GetParameterLabel(index, text);
        EXPECT_STREQ(text, label) << index;
    }
    kit->GetParameterDisplayValue(8, 0.4, text);
    EXPECT_STREQ(text, "40%");
    EXPECT_EQ(kit->GetParameter(8), 0.4);
    EXPECT_EQ(kit->GetParameter(28), 0.3);
    EXPECT_EQ(kit->GetParameter(38), 0.0);
}

TEST(DrumKitTest, NotesReachVoiceNModElevenAndTriggersTheNamedVoice)
{
    const std::pair<int32_t, int32_t> notes[] = {{0, 0}, {11, 0}, {22, 0}, {36, 3}, {42, 9}, {255, 2}};
    for (auto [note, voice] : notes) {
        auto kit = MakeKit();
        Play(kit.get(), 256, {NoteOn(10, note)});
        for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
            EXPECT_EQ(kit->GetVoice(v).IsSilent(), v != voice) << note << " " << v;
    }
    auto kit = MakeKit();
    Play(kit.get(), 256, {Trigger(0, 5), Trigger(0, 11), Trigger(0, -1), Trigger(0, 16)});
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
        EXPECT_EQ(kit->GetVoice(v).IsSilent(), v != 5) << v;
}

TEST(DrumKitTest, NoteOffChangesNothingAndEveryVoiceEnds)
{
    auto a = MakeKit(9), b = MakeKit(9);
    std::vector<TimedEvent> hits;
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
        hits.push_back(Trigger(v * 100, v));
    auto withOffs = hits;
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
        withOffs.push_back({v * 100 + 50, MakeEvent(0, EVENT_NOTE_OFF, v, 0.0)});
    const auto x = Play(a.get(), kTestRate, hits);
    const auto y = Play(b.get(), kTestRate, withOffs);
    EXPECT_EQ(x.left, y.left);
    EXPECT_EQ(x.right, y.right);
    double peak = 0.0;
    for (double s : x.left)
        peak = std::max(peak, std::abs(s));
    EXPECT_GT(peak, 0.1);
    // The longest sound (the crash, 0.9 s of shimmer) is over within 5 s.
    Play(a.get(), 5 * kTestRate, {});
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
        EXPECT_TRUE(a->GetVoice(v).IsSilent()) << v;
}

TEST(DrumKitTest, LevelZeroSilencesAndBalanceMovesToOneSideAtDoubleGain)
{
    for (int32_t voice : {CDrumKit::BASS_DRUM, CDrumKit::SNARE_DRUM, CDrumKit::CLAP, CDrumKit::CRASH_CYMBAL}) {
        auto centre = MakeKit(4), left = MakeKit(4), right = MakeKit(4), off = MakeKit(4);
        left->SetParameter(CDrumKit::BalanceParameter(voice), 0.0);
        right->SetParameter(CDrumKit::BalanceParameter(voice), 1.0);
        off->SetParameter(CDrumKit::LevelParameter(voice), 0.0);
        const auto c = Play(centre.get(), 8192, {Trigger(3, voice)});
        const auto l = Play(left.get(), 8192, {Trigger(3, voice)});
        const auto r = Play(right.get(), 8192, {Trigger(3, voice)});
        const auto o = Play(off.get(), 8192, {Trigger(3, voice)});
        ASSERT_GT(measure::Rms(c.left.data(), c.left.size()), 0.01) << voice;
        for (size_t i = 0; i < c.left.size(); ++i) {
            ASSERT_EQ(c.left[i], c.right[i]);
            ASSERT_EQ(l.left[i], 2.0 * c.left[i]) << voice << " " << i;
            ASSERT_EQ(l.right[i], 0.0);
            ASSERT_EQ(r.right[i], 2.0 * c.right[i]);
            ASSERT_EQ(r.left[i], 0.0);
            ASSERT_EQ(o.left[i], 0.0);
            ASSERT_EQ(o.right[i], 0.0);
        }
    }
    // −32 dB per unit of level below 1, in power.
    auto full = MakeKit(5), half = MakeKit(5);
    half->SetParameter(CDrumKit::LevelParameter(CDrumKit::LOW_TOM), 0.5);
    const auto f = Play(full.get(), 8192, {Trigger(0, CDrumKit::LOW_TOM)});
    const auto h = Play(half.get(), 8192, {Trigger(0, CDrumKit::LOW_TOM)});
    EXPECT_NEAR(h.left[2000] / f.left[2000], std::pow(10.0, -1.6), 1e-12);
}

TEST(DrumKitTest, LevelChangesGlideOnTheSmoothedVoices)
{
    auto kit = MakeKit();
    // Long bass drum: a level cut mid-sound fades over thousands of samples.
    const auto before = Play(kit.get(), 2048, {Trigger(0, CDrumKit::BASS_DRUM)});
    const auto after = Play(kit.get(), 8192, {ParameterEvent(0, CDrumKit::LevelParameter(CDrumKit::BASS_DRUM), 0.0)});
    double early = 0, late = 0;
    for (int i = 0; i < 256; ++i) {
        early = std::max(early, std::abs(after.left[i]));
        late = std::max(late, std::abs(after.left[6500 + i]));
    }
    EXPECT_GT(early, 0.05);  // not cut at once
    EXPECT_EQ(late, 0.0);    // but silent once the glide arrives
    EXPECT_GT(std::abs(before.left[2000]), 0.0);
}

TEST(DrumKitTest, DecayTimesFollowTheirParameters)
{
    struct Case {
        int32_t voice;
        int32_t parameter;
        double value;
        double seconds; // from the trigger to the last sound
    };
    // Closed hat: attack 0.1 ms + decay x + 0.045; open hat 0.5x + 0.25;
    // toms: attack 10 ms, hold 40 ms, decay 0.23 + 0.17x; crash shimmer
    // x + 0.4 after 5 ms, ride 0.5x + 0.2.
    const Case cases[] = {
        {CDrumKit::CLOSED_HI_HAT, 28, 0.0, 0.0001 + 0.045}, {CDrumKit::CLOSED_HI_HAT, 28, 0.5, 0.0001 + 0.545},
        {CDrumKit::OPEN_HI_HAT, 31, 0.0, 0.0001 + 0.25},    {CDrumKit::OPEN_HI_HAT, 31, 1.0, 0.0001 + 0.75},
        {CDrumKit::LOW_TOM, 13, 0.0, 0.05 + 0.23},          {CDrumKit::HIGH_TOM, 21, 1.0, 0.05 + 0.40},
        {CDrumKit::CRASH_CYMBAL, 34, 0.2, 0.005 + 0.6},     {CDrumKit::RIDE_CYMBAL, 37, 1.0, 0.005 + 0.7},
    };
    for (const Case& c : cases) {
        auto kit = MakeKit();
        kit->SetParameter(c.parameter, c.value);
        const auto out = Play(kit.get(), kTestRate, {Trigger(0, c.voice)});
        const double measured = static_cast<double>(LastAbove(out.left)) / kTestRate;
        EXPECT_NEAR(measured, c.seconds, 0.0005) << c.voice << " " << c.value;
        EXPECT_TRUE(kit->GetVoice(c.voice).IsSilent());
    }
    // The bass drum: attack, hold 0.05·Tune, decay 0.1 + 0.4·Decay.
    auto kit = MakeKit();
    kit->SetParameter(0, 0.5);  // hold 25 ms
    kit->SetParameter(3, 0.0);  // attack 1 ms
    kit->SetParameter(4, 0.25); // decay 0.2 s
    const auto out = Play(kit.get(), kTestRate, {Trigger(0, CDrumKit::BASS_DRUM)});
    EXPECT_NEAR(static_cast<double>(LastAbove(out.left)) / kTestRate, 0.001 + 0.025 + 0.2, 0.0005);
}

TEST(DrumKitTest, TuningFollowsItsParameters)
{
    // Toms: the second oscillator leads at 30.3·(1 + Tune) Hz (low tom),
    // bent ±0.1 octave over the sound.
    for (double tune : {0.0, 1.0}) {
        auto kit = MakeKit();
        kit->SetParameter(10, tune);
        const auto out = Play(kit.get(), 16384, {Trigger(0, CDrumKit::LOW_TOM)});
        const double expected = 30.3 * (1.0 + tune);
        const double peak = Peak(out.left, 0, out.left.size());
        EXPECT_GT(peak, expected * std::exp2(-0.1) - 1.0) << tune;
        EXPECT_LT(peak, expected * std::exp2(0.1) + 1.0) << tune;
    }
    // Snare without snap: its first body oscillator at 80·Tune + 140 Hz,
    // falling up to 0.12 octave.
    for (double tune : {0.0, 1.0}) {
        auto kit = MakeKit();
        kit->SetParameter(5, tune);
        kit->SetParameter(9, 0.0);
        const auto out = Play(kit.get(), 16384, {Trigger(0, CDrumKit::SNARE_DRUM)});
        const double expected = 80.0 * tune + 140.0;
        const double peak = Peak(out.left, 0, 8192);
        EXPECT_GT(peak, expected * std::exp2(-0.12) - 2.0) << tune;
        EXPECT_LT(peak, expected + 2.0) << tune;
    }
    // Bass drum: starts at 108·Tune + 142 Hz and sweeps down to 50 Hz.
    double start[2];
    for (int k = 0; k < 2; ++k) {
        auto kit = MakeKit();
        kit->SetParameter(0, k);
        const auto out = Play(kit.get(), kTestRate, {Trigger(0, CDrumKit::BASS_DRUM)});
        start[k] = measure::CrossingFrequency(std::vector<double>(out.left.begin() + 300, out.left.begin() + 1200),
                                              kTestRate);
        const double tail =
            measure::CrossingFrequency(std::vector<double>(out.left.begin() + 17000, out.left.begin() + 24000),
                                       kTestRate);
        EXPECT_NEAR(tail, 50.0, 5.0) << k;
    }
    // Both sweeps run the same envelope in octaves above 50 Hz, so their
    // heights keep the ratio of the two tune frequencies' heights.
    EXPECT_NEAR(std::log(start[1] / 50.0) / std::log(start[0] / 50.0), std::log(250.0 / 50.0) / std::log(142.0 / 50.0),
                0.08);
    EXPECT_LT(start[0], 142.0);
    EXPECT_GT(start[1], 142.0);
}

TEST(DrumKitTest, RetriggerWhileSoundingHasNoJump)
{
    auto kit = MakeKit();
    kit->SetParameter(CDrumKit::LevelParameter(CDrumKit::LOW_TOM), 1.0);
    const auto out = Play(kit.get(), 8192, {Trigger(0, CDrumKit::LOW_TOM), Trigger(4000, CDrumKit::LOW_TOM)});
    // The sound swells from where it was: the peaks of each period (the
    // body is near 60 Hz) after the second hit are no lower than before.
    auto peak = [&](int from) {
        double p = 0.0;
        for (int i = from; i < from + 800; ++i)
            p = std::max(p, std::abs(out.left[static_cast<size_t>(i)]));
        return p;
    };
    const double before = peak(3200);
    ASSERT_GT(before, 0.05);
    EXPECT_GT(peak(4000), before);
    EXPECT_GT(peak(4800), before);
}

TEST(DrumKitTest, ParameterEventsTakeEffectAtTheirOffset)
{
    auto a = MakeKit(), b = MakeKit();
    const auto x = Play(a.get(), 4096, {Trigger(0, CDrumKit::OPEN_HI_HAT)});
    const auto y = Play(b.get(), 4096, {Trigger(0, CDrumKit::OPEN_HI_HAT), ParameterEvent(1000, 31, 0.0)});
    size_t first = 0;
    while (first < x.left.size() && x.left[first] == y.left[first])
        ++first;
    EXPECT_EQ(first, 1000u);
    EXPECT_EQ(b->GetParameter(31), 0.0);
}

TEST(KickTest, TypePortsAndParameters)
{
    CKickInfo info(&TestHost(), &TestTables());
    EXPECT_STREQ(info.name, "ZT Virir");
    EXPECT_STREQ(info.identifier, "VelmPlug::ZT Virir");
    KickPtr kick(static_cast<CKick*>(info.CreateMachine()));
    ASSERT_EQ(kick->portCount, 2);
    EXPECT_EQ(kick->ports[0]->flags, 18);
    EXPECT_STREQ(kick->ports[1]->name, "Line Out");
    EXPECT_EQ(kick->ports[1]->flags, 33);
    EXPECT_EQ(kick->parameterCount, 7);
    char text[kMachineTextSize];
    kick->GetParameterName(6, text);
    EXPECT_STREQ(text, "VCF Cutoff");
    kick->GetParameterDisplayValue(6, 0.37, text);
    EXPECT_STREQ(text, "37%");
    EXPECT_EQ(kick->GetParameter(2), 0.28);
    Play(kick.get(), 256, {}); // the defaults take effect in the first block
    EXPECT_NEAR(kick->CutoffHz(), 298.0, 1.0);
}

TEST(KickTest, SweepStartsAtTheNoteAndEndsAt13_75Hz)
{
    const int32_t notes[2] = {48, 60};
    const double hz[2] = {130.81, 261.63};
    for (int k = 0; k < 2; ++k) {
        // A slow straight sweep: the first 34 ms stay just below the note.
        KickPtr slow(new CKick(&TestHost(), &TestTables()));
        slow->SetParameter(CKick::VCO_ATTACK, 0.0);
        slow->SetParameter(CKick::VCO_DECAY, 1.0);
        slow->SetParameter(CKick::VCO_CURVE, 0.5);
        slow->SetParameter(CKick::VCF_CUTOFF, 0.6); // 1.75 kHz
        auto out = Play(slow.get(), 2048, {NoteOn(0, notes[k])});
        const double start =
            measure::CrossingFrequency(std::vector<double>(out.left.begin(), out.left.begin() + 1500), kTestRate);
        EXPECT_GT(start, 0.9 * hz[k]) << notes[k];
        EXPECT_LT(start, hz[k]) << notes[k];

        // A short sweep under a long sound: after it, 440/32 Hz whatever
        // the note.
        KickPtr fast(new CKick(&TestHost(), &TestTables()));
        fast->SetParameter(CKick::VCO_DECAY, 0.3);
        fast->SetParameter(CKick::AMP_DECAY, 1.0);
        fast->SetParameter(CKick::AMP_CURVE, 0.5);
        out = Play(fast.get(), kTestRate, {NoteOn(0, notes[k])});
        EXPECT_EQ(out.left, out.right);
        const double end = measure::CrossingFrequency(
            std::vector<double>(out.left.begin() + 15000, out.left.begin() + 44000), kTestRate);
        EXPECT_NEAR(end, 13.75, 0.1) << notes[k];
    }
}

TEST(KickTest, NoteOffDoesNotShortenAndEventsApplyAtTheirOffset)
{
    KickPtr a(new CKick(&TestHost(), &TestTables())), b(new CKick(&TestHost(), &TestTables()));
    const auto x = Play(a.get(), 30000, {NoteOn(0, 36)});
    const auto y = Play(b.get(), 30000, {NoteOn(0, 36), NoteOff(500, 36)});
    EXPECT_EQ(x.left, y.left);
    EXPECT_GT(measure::Rms(x.left.data() + 10000, 5000), 0.01);

    KickPtr c(new CKick(&TestHost(), &TestTables()));
    const auto z = Play(c.get(), 30000, {NoteOn(0, 36), ParameterEvent(777, CKick::VCF_CUTOFF, 0.0)});
    size_t first = 0;
    while (first < x.left.size() && x.left[first] == z.left[first])
        ++first;
    EXPECT_EQ(first, 777u);
    EXPECT_EQ(c->GetParameter(CKick::VCF_CUTOFF), 0.0);
}

TEST(DrumKitTest, ValuesOutsideTheRangeStayBounded)
{
    auto kit = MakeKit();
    for (int32_t i = 0; i < CDrumKit::kParameterCount; ++i)
        kit->SetParameter(i, i % 3 == 0 ? 1e12 : (i % 3 == 1 ? -50.0 : std::nan("")));
    std::vector<TimedEvent> hits;
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v)
        hits.push_back(Trigger(v * 64, v));
    const auto out = Play(kit.get(), 16384, hits);
    for (size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_TRUE(std::isfinite(out.left[i])) << i;
        ASSERT_LE(std::abs(out.left[i]), 100.0) << i;
    }
    CDrumEnvelope e(kTestRate, 1e300, -1.0);
    e.SetHold(std::nan(""));
    e.Trigger();
    EXPECT_TRUE(e.IsActive());
    auto v = Envelope(e, 100);
    EXPECT_GE(v[99], 0.0);
    EXPECT_LT(v[99], 1e-6); // an attack of hours has barely begun
}

// The drum voices, the kick and the echo keep their running state (filter
// histories, phases, envelope segments, delay read points) in locals while
// a block runs and hand it back at its end: cut into blocks of any size
// (the machines' four-sample control grid kept), a performance must sound
// exactly the same, through stage changes, retriggers and parameter
// changes. (A drum voice that has fallen silent stops its oscillators at
// the end of a block, so retriggers after silence are left out.)
TEST(BlockSizeTest, DrumsKickAndEchoSoundTheSameInAnyBlockSize)
{
    constexpr int32_t kFrames = 3 * 5 * 7 * 512; // halves of whole blocks of every size below
    std::vector<TimedEvent> drums;
    for (int32_t v = 0; v < CDrumKit::kVoices; ++v) {
        drums.push_back(Trigger(100 * v + 8 * (v % 3), v));
        drums.push_back(Trigger(100 * v + 2000, v)); // retriggered while sounding
    }
    std::vector<TimedEvent> kicks = {NoteOn(0, 36), NoteOn(kFrames / 3, 43), NoteOff(kFrames / 2, 43)};
    CRandom random(5);
    std::vector<double> noise(2 * kFrames);
    for (double& x : noise)
        x = random.Noise() * 0.5;
    auto render = [&](int32_t block) {
        KitPtr kit = MakeKit(7);
        KickPtr kick(new CKick(&TestHost(), &TestTables()));
        std::unique_ptr<CEcho, MachineReleaser> echo(new CEcho(&TestHost(), &TestTables()));
        for (CMachine* m : {static_cast<CMachine*>(kit.get()), static_cast<CMachine*>(kick.get()),
                            static_cast<CMachine*>(echo.get())}) {
            m->SetBlockSize(block);
            m->ResizeBuffers(block);
        }
        // Short, fed-back echo lines with a swept filter, one gliding.
        for (int32_t p = 0; p < echo->parameterCount; ++p)
            echo->SetParameter(p, 0.3 + 0.05 * (p % 7));
        std::vector<Rendered> out;
        out.push_back(Play(kit.get(), kFrames, drums));
        out.push_back(Play(kick.get(), kFrames, kicks));
        auto feed = [&](int32_t f) {
            return std::pair{noise[2 * static_cast<size_t>(f)], noise[2 * static_cast<size_t>(f) + 1]};
        };
        out.push_back(CMachineDriver(echo.get(), -1, 0, 1).Run(kFrames / 2, {}, feed));
        echo->SetParameter(0, 0.9); // line 1's time glides from here
        out.push_back(CMachineDriver(echo.get(), -1, 0, 1).Run(kFrames / 2, {}, [&](int32_t f) {
            return feed(f + kFrames / 2);
        }));
        return out;
    };
    const auto reference = render(4);
    for (const Rendered& r : reference)
        EXPECT_GT(measure::Rms(r.left.data(), r.left.size()), 1e-3);
    for (int32_t block : {12, 20, 28, 64, 256}) {
        const auto out = render(block);
        for (size_t k = 0; k < out.size(); ++k) {
            EXPECT_EQ(out[k].left, reference[k].left) << "block " << block << ", run " << k;
            EXPECT_EQ(out[k].right, reference[k].right) << "block " << block << ", run " << k;
        }
    }
}
