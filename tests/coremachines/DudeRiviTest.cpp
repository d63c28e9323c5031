#include "Measure.h"
#include "MachineDriver.h"
#include "coremachines/CDudeRivi.h"
#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CDudeRiviVoice.h"
#include "coremachines/CFormantFilter.h"
#include "coremachines/CRandom.h"
#include "coremachines/Units.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace dude;

namespace {

using DudePtr = std::unique_ptr<CDudeRivi, MachineReleaser>;

DudePtr MakeDude(bool polyphonic = false)
{
    return DudePtr(new CDudeRivi(&TestHost(), &TestTables(), polyphonic));
}

Rendered Play(CDudeRivi* dude, int32_t frames, std::vector<TimedEvent> events)
{
    return CMachineDriver(dude, 0, -1, 1).Run(frames, std::move(events));
}

// A plain patch for measurements: saw on VCO1 only, both filters wide open
// without envelope or resonance, instant full-level envelope.
void PlainPatch(CDudeRivi* dude)
{
    dude->SetParameter(VCO1_SHAPE, 0.0);
    dude->SetParameter(VCO2_SHAPE, 0.0);
    dude->SetParameter(OSC_BALANCE, 0.0);
    for (int32_t p : {VCF1_CUTOFF, VCF2_CUTOFF})
        dude->SetParameter(p, 1.0);
    for (int32_t p : {VCF1_RESONANCE, VCF2_RESONANCE, VCF1_ENV_MOD, VCF2_ENV_MOD, AMP_ATTACK})
        dude->SetParameter(p, 0.0);
    dude->SetParameter(AMP_SUSTAIN, 1.0);
}

std::string Display(CDudeRivi* dude, int32_t index, double value)
{
    char text[kMachineTextSize];
    dude->GetParameterDisplayValue(index, value, text);
    return text;
}

std::string Name(CDudeRivi* dude, int32_t index)
{
    char text[kMachineTextSize];
    dude->GetParameterName(index, text);
    return text;
}

bool AllZero(const std::vector<double>& x)
{
    return std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; });
}

std::vector<double> Slice(const std::vector<double>& x, size_t from, size_t count)
{
    return {x.begin() + static_cast<std::ptrdiff_t>(from), x.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

} // namespace

TEST(DudeRiviTest, TypesPortsAndVoices)
{
    CDudeRiviInfo mono(&TestHost(), &TestTables());
    CDudeRiviPolyphonicInfo poly(&TestHost(), &TestTables());
    EXPECT_STREQ(mono.name, "ZT DudeRivi");
    EXPECT_STREQ(mono.identifier, "VelmPlug::ZT DudeRivi");
    EXPECT_STREQ(poly.name, "ZT DudeRivi (Polyphonic)");
    EXPECT_STREQ(poly.identifier, "VelmPlug::ZT DudeRivi (Polyphonic)");
    DudePtr a(static_cast<CDudeRivi*>(mono.CreateMachine())), b(static_cast<CDudeRivi*>(poly.CreateMachine()));
    EXPECT_EQ(a->VoiceCount(), 1);
    EXPECT_EQ(b->VoiceCount(), 16);
    for (CDudeRivi* m : {a.get(), b.get()}) {
        ASSERT_EQ(m->portCount, 2);
        EXPECT_STREQ(m->ports[0]->name, "Control In");
        EXPECT_EQ(m->ports[0]->flags, 18);
        EXPECT_STREQ(m->ports[1]->name, "Line Out");
        EXPECT_EQ(m->ports[1]->flags, 289);
        EXPECT_EQ(m->parameterCount, 73);
        EXPECT_TRUE(m->IsGenerator());
        for (int32_t v = 0; v < m->VoiceCount(); ++v)
            EXPECT_EQ(m->Voice(v).Note(), -1);
    }
    // Nothing sounds before a note.
    EXPECT_TRUE(AllZero(Play(b.get(), 1024, {}).left));
}

TEST(DudeRiviTest, ParameterNamesDefaultsAndDisplays)
{
    auto dude = MakeDude();
    EXPECT_EQ(Name(dude.get(), 0), "Amp Attack");
    EXPECT_EQ(Name(dude.get(), 23), "Sync");
    EXPECT_EQ(Name(dude.get(), 36), "Formant Vowel");
    EXPECT_EQ(Name(dude.get(), 46), "LFO1 Rate");
    EXPECT_EQ(Name(dude.get(), 63), "LFO2 Amp 3");
    EXPECT_EQ(Name(dude.get(), 72), "LFO3 Amp 3");
    EXPECT_EQ(Name(dude.get(), 73), "");
    EXPECT_EQ(Name(dude.get(), -1), "");
    const std::pair<int32_t, double> defaults[] = {{0, 0.2},   {2, 0.5},  {9, 1.0},  {14, 0.4}, {21, 0.1},
                                                   {25, 0.15}, {30, 0.1}, {31, 0.2}, {38, 1.0}, {45, 0.5},
                                                   {50, 1.0},  {64, 0.5}, {72, 1.0}};
    for (auto [index, value] : defaults)
        EXPECT_EQ(dude->GetParameter(index), value) << index;
    EXPECT_EQ(dude->GetParameter(73), 0.0);
    dude->SetParameter(73, 0.7);
    EXPECT_EQ(dude->GetParameter(73), 0.0);

    CDudeRivi* d = dude.get();
    EXPECT_EQ(Display(d, AMP_ATTACK, 0.5), "1.00s");
    EXPECT_EQ(Display(d, AMP_ATTACK, 0.0), "0.01s");
    EXPECT_EQ(Display(d, LFO1_RATE + LFO_FADE_IN, 0.0), "0.00s");
    EXPECT_EQ(Display(d, AMP_SUSTAIN, 0.5), "50%");
    EXPECT_EQ(Display(d, VCO1_SEMITONE, 0.75), "24st");
    EXPECT_EQ(Display(d, VCO1_SEMITONE, 0.0), "-48st");
    EXPECT_EQ(Display(d, VCO2_DETUNE, 0.1), "0.10st");
    EXPECT_EQ(Display(d, SYNC, 0.49), "Off");
    EXPECT_EQ(Display(d, SYNC, 0.5), "On");
    EXPECT_EQ(Display(d, OSC_VOLUME, 0.0), "-oo dB");
    EXPECT_EQ(Display(d, OSC_VOLUME, 0.5), "-24.00dB");
    EXPECT_EQ(Display(d, NOISE, 1.0), "0dB");
    EXPECT_EQ(Display(d, RING_MOD, 1.0), "0dB");
    EXPECT_EQ(Display(d, OVERDRIVE, 0.0), "0dB");
    EXPECT_EQ(Display(d, OVERDRIVE, 0.5), "+24.00dB");
    EXPECT_EQ(Display(d, LFO1_RATE, 0.5), "0.30Hz");
    EXPECT_EQ(Display(d, LFO1_RATE, 1.0), "27.50Hz");
    EXPECT_EQ(Display(d, LFO1_RATE, 0.0), "0.00Hz");
    EXPECT_EQ(Display(d, VCO1_SHAPE, 0.4), "Square");
    EXPECT_EQ(Display(d, VCO2_SHAPE, 1.0), "TriSquare");
    EXPECT_EQ(Display(d, VCF1_MODE, 0.5), "High Pass");
    EXPECT_EQ(Display(d, FILTER_ROUTING, 1.0), "Split");
    EXPECT_EQ(Display(d, SATURATION, 0.3), "Soft Clip");
    EXPECT_EQ(Display(d, LFO2_RATE + LFO_SHAPE, 0.9), "S&G");
    EXPECT_EQ(Display(d, LFO1_RATE + LFO_SEND_1, 0.95), "VCF1 Resonance");
    EXPECT_EQ(Display(d, LFO1_RATE + LFO_SEND_1, 1.0), "VCF2 Resonance");
    EXPECT_EQ(Display(d, LFO1_RATE + LFO_SEND_1, 0.0), "None");
    EXPECT_EQ(Display(d, FORMANT_VOWEL, 0.0), "Male IY");
    EXPECT_EQ(Display(d, FORMANT_VOWEL, 0.5), "Soprano I");
    EXPECT_EQ(Display(d, FORMANT_VOWEL, 1.0), "Bass U");
    EXPECT_EQ(Display(d, 73, 0.5), "");
    char text[kMachineTextSize];
    d->GetParameterDisplay(OSC_VOLUME, text); // the current value
    EXPECT_STREQ(text, "0dB");
}

TEST(DudeRiviTest, RenderedNoteHasTheNotesPitchWithTranspositionAppliedOnce)
{
    struct Case {
        int32_t key;
        double semitoneKnob;
        double expectedHz;
    };
    const Case cases[] = {{69, 0.5, 440.0}, {57, 0.5, 220.0}, {69, 0.5 + 12.0 / 96, 880.0}, {69, 0.5 - 7.0 / 96, 0.0}};
    for (const Case& c : cases) {
        auto dude = MakeDude();
        PlainPatch(dude.get());
        dude->SetParameter(VCO1_SEMITONE, c.semitoneKnob);
        const auto out = Play(dude.get(), 2 * kTestRate, {NoteOn(0, c.key)});
        double noteHz = 0;
        TestHost().GetNoteFrequency(c.key, &noteHz);
        const double semitones = static_cast<int32_t>((c.semitoneKnob - 0.5) * 96.0);
        const double expected = noteHz * std::pow(2.0, semitones / 12.0);
        if (c.expectedHz > 0) {
            EXPECT_NEAR(expected, c.expectedHz, 0.01);
        }
        const auto steady = Slice(out.left, 4410, out.left.size() - 4410);
        EXPECT_NEAR(measure::CrossingFrequency(steady, kTestRate), expected, expected * 1e-4) << c.key;
        EXPECT_EQ(out.left, out.right); // serial routing
    }
    // VCO2 alone, with its transposition and fine detune.
    auto dude = MakeDude();
    PlainPatch(dude.get());
    dude->SetParameter(OSC_BALANCE, 1.0);
    dude->SetParameter(VCO2_SEMITONE, 0.5 - 12.0 / 96);
    dude->SetParameter(VCO2_DETUNE, 0.5);
    const auto out = Play(dude.get(), 2 * kTestRate, {NoteOn(0, 69)});
    EXPECT_NEAR(measure::CrossingFrequency(Slice(out.left, 4410, 80000), kTestRate),
                220.0 * std::pow(2.0, 0.5 / 12.0), 0.05);
}

TEST(DudeRiviTest, PolyphonyRotatesStrictlyAndSameNoteRetriggersItsVoice)
{
    auto dude = MakeDude(true);
    auto driver = CMachineDriver(dude.get(), 0, -1, 1);
    driver.Run(256, {NoteOn(0, 60), NoteOn(10, 62), NoteOn(20, 64)});
    EXPECT_EQ(dude->Voice(0).Note(), 60);
    EXPECT_EQ(dude->Voice(1).Note(), 62);
    EXPECT_EQ(dude->Voice(2).Note(), 64);
    // A freed voice is not reused out of turn.
    driver.Run(256, {NoteOff(0, 62), NoteOn(5, 65)});
    EXPECT_EQ(dude->Voice(1).Note(), -1);
    EXPECT_EQ(dude->Voice(3).Note(), 65);
    EXPECT_TRUE(dude->Voice(1).IsSounding()); // still releasing
    // The same note goes back to the voice that holds it.
    driver.Run(256, {NoteOn(0, 60)});
    EXPECT_EQ(dude->Voice(0).Note(), 60);
    EXPECT_EQ(dude->Voice(4).Note(), -1);
    // Twelve more notes fill slots 4..15, the next takes slot 0 over.
    std::vector<TimedEvent> notes;
    for (int32_t k = 0; k < 12; ++k)
        notes.push_back(NoteOn(k, 70 + k));
    notes.push_back(NoteOn(20, 90));
    driver.Run(256, notes);
    EXPECT_EQ(dude->Voice(15).Note(), 81);
    EXPECT_EQ(dude->Voice(0).Note(), 90);
    // The note 60 was taken over: its note off finds nobody.
    driver.Run(256, {NoteOff(0, 60)});
    EXPECT_EQ(dude->Voice(0).Note(), 90);
    int sounding = 0;
    for (int32_t v = 0; v < 16; ++v)
        sounding += dude->Voice(v).IsSounding();
    EXPECT_EQ(sounding, 16);
}

TEST(DudeRiviTest, NoteOffForANoteNobodyHoldsDoesNothing)
{
    auto a = MakeDude(), b = MakeDude();
    const auto x = Play(a.get(), 8192, {NoteOn(0, 60), NoteOff(1000, 61)});
    const auto y = Play(b.get(), 8192, {NoteOn(0, 60)});
    EXPECT_EQ(x.left, y.left);
    EXPECT_EQ(a->Voice(0).Note(), 60);
    // The mono voice retriggers on a new note without a note off.
    Play(a.get(), 256, {NoteOn(0, 64)});
    EXPECT_EQ(a->Voice(0).Note(), 64);
}

TEST(DudeRiviTest, EventsTakeEffectAtTheirSampleOffsets)
{
    auto dude = MakeDude(true);
    const auto out = Play(dude.get(), 512, {NoteOn(300, 69)});
    for (size_t i = 0; i < 300; ++i)
        ASSERT_EQ(out.left[i], 0.0) << i;
    EXPECT_NE(out.left[300], 0.0);

    // A parameter event at frame 700 leaves everything before it untouched
    // and changes the sound from that frame on.
    auto a = MakeDude(), b = MakeDude();
    const auto x = Play(a.get(), 1024, {NoteOn(0, 57), ParameterEvent(700, VCF1_CUTOFF, 0.9)});
    const auto y = Play(b.get(), 1024, {NoteOn(0, 57)});
    for (size_t i = 0; i < 700; ++i)
        ASSERT_EQ(x.left[i], y.left[i]) << i;
    EXPECT_NE(x.left[700], y.left[700]);
    EXPECT_EQ(a->GetParameter(VCF1_CUTOFF), 0.9); // reported and stored
}

TEST(DudeRiviTest, LevelsAtZeroAreExactlySilentAndScaleByTheirDecibels)
{
    auto render = [](double volume, double noise, double ring) {
        auto dude = MakeDude();
        PlainPatch(dude.get());
        dude->SetParameter(OSC_BALANCE, 0.5);
        dude->SetParameter(OSC_VOLUME, volume);
        dude->SetParameter(NOISE, noise);
        dude->SetParameter(RING_MOD, ring);
        return Play(dude.get(), 8192, {NoteOn(0, 60)}).left;
    };
    EXPECT_TRUE(AllZero(render(0.0, 0.0, 0.0)));
    EXPECT_FALSE(AllZero(render(0.0, 1.0, 0.0)));
    EXPECT_FALSE(AllZero(render(0.0, 0.0, 1.0)));
    EXPECT_EQ(LevelGain(1.0), 1.0);
    EXPECT_EQ(LevelGain(0.0), 0.0);
    // Everything after the mix is linear: half the knob is −24 dB in power.
    for (auto [full, half] : {std::pair{render(1.0, 0.0, 0.0), render(0.5, 0.0, 0.0)},
                              std::pair{render(0.0, 0.0, 1.0), render(0.0, 0.0, 0.5)}}) {
        const double ratio = measure::Rms(full.data(), full.size()) / measure::Rms(half.data(), half.size());
        EXPECT_NEAR(ratio, std::pow(10.0, 2.4), 1e-6 * ratio);
    }
    const auto noiseFull = render(0.0, 1.0, 0.0), noiseHalf = render(0.0, 0.5, 0.0);
    const double noiseRatio =
        measure::Rms(noiseFull.data(), noiseFull.size()) / measure::Rms(noiseHalf.data(), noiseHalf.size());
    EXPECT_NEAR(noiseRatio, std::pow(10.0, 2.4), 0.05 * noiseRatio); // different draws
}

TEST(DudeRiviTest, OverdriveOnlyActsWithSaturation)
{
    auto render = [](double saturation, double overdrive) {
        auto dude = MakeDude();
        dude->SetParameter(SATURATION, saturation);
        dude->SetParameter(OVERDRIVE, overdrive);
        return Play(dude.get(), 8192, {NoteOn(0, 48)}).left;
    };
    EXPECT_EQ(render(0.0, 0.0), render(0.0, 1.0));
    EXPECT_NE(render(0.3, 0.0), render(0.3, 0.7));
    // Digital saturation bounds path A before VCF2 and the envelope.
    const auto digital = render(0.6, 1.0);
    for (double v : digital)
        ASSERT_LE(std::abs(v), 1.6); // VCF2's resonance adds its own peak
}

TEST(DudeRiviTest, RoutingsChannelRules)
{
    auto render = [](double routing, double vcf2Cutoff, double volume, double noise, double balance = 0.5) {
        auto dude = MakeDude();
        dude->SetParameter(FILTER_ROUTING, routing);
        // Same filter settings on both sides unless vcf2Cutoff says otherwise.
        dude->SetParameter(VCF2_CUTOFF, vcf2Cutoff);
        dude->SetParameter(VCF2_RESONANCE, dude->GetParameter(VCF1_RESONANCE));
        dude->SetParameter(OSC_VOLUME, volume);
        dude->SetParameter(NOISE, noise);
        dude->SetParameter(OSC_BALANCE, balance);
        return Play(dude.get(), 8192, {NoteOn(0, 55)});
    };
    const double vcf1Cutoff = 0.15;
    // Serial: both channels carry the same signal.
    const auto serial = render(0.0, 0.6, 1.0, 0.0);
    EXPECT_EQ(serial.left, serial.right);
    // Parallel: left is the VCF1 path, right the VCF2 path.
    const auto same = render(0.5, vcf1Cutoff, 1.0, 0.0);
    EXPECT_EQ(same.left, same.right);
    const auto differs = render(0.5, 0.6, 1.0, 0.0);
    EXPECT_EQ(differs.left, same.left);
    EXPECT_NE(differs.right, same.right);
    // Split: noise reaches only the right channel.
    const auto split = render(1.0, 0.6, 0.0, 1.0);
    EXPECT_TRUE(AllZero(split.left));
    EXPECT_FALSE(AllZero(split.right));
    // Split: VCO1 on the left, VCO2 on the right, by the balance.
    const auto onlyVco1 = render(1.0, 0.6, 1.0, 0.0, 0.0);
    EXPECT_FALSE(AllZero(onlyVco1.left));
    EXPECT_TRUE(AllZero(onlyVco1.right));
    const auto onlyVco2 = render(1.0, 0.6, 1.0, 0.0, 1.0);
    EXPECT_TRUE(AllZero(onlyVco2.left));
    EXPECT_FALSE(AllZero(onlyVco2.right));
}

TEST(DudeRiviTest, LfoSendAtOneModulatesVcf2Resonance)
{
    auto render = [](double send) {
        auto dude = MakeDude();
        dude->SetParameter(FILTER_ROUTING, 0.5); // parallel: VCF2 only on the right
        dude->SetParameter(VCF2_CUTOFF, 0.15);
        dude->SetParameter(LFO1_RATE + LFO_RATE, 1.0);
        dude->SetParameter(LFO1_RATE + LFO_SEND_1, send);
        dude->SetParameter(LFO1_RATE + LFO_AMP_1, 1.0);
        return Play(dude.get(), 8192, {NoteOn(0, 55)});
    };
    const auto none = render(0.0), top = render(1.0), vcf1 = render(0.95);
    EXPECT_EQ(top.left, none.left);
    EXPECT_NE(top.right, none.right);
    // 0.95 is VCF1 Resonance: the left side moves instead.
    EXPECT_NE(vcf1.left, none.left);
    EXPECT_EQ(vcf1.right, none.right);
}

TEST(DudeRiviTest, GlideSlidesTheMonoVoicesPitch)
{
    auto dude = MakeDude();
    PlainPatch(dude.get());
    dude->SetParameter(GLIDE, std::sqrt(0.25)); // 0.1 s per octave
    const auto out = Play(dude.get(), kTestRate, {NoteOn(0, 57), NoteOn(22050, 69)});
    // Before: 220 Hz; right after the new note still about 220 Hz; 0.1 s
    // later at 440 Hz.
    EXPECT_NEAR(measure::CrossingFrequency(Slice(out.left, 4410, 17000), kTestRate), 220.0, 0.05);
    const double early = measure::CrossingFrequency(Slice(out.left, 22050, 441), kTestRate);
    EXPECT_GT(early, 215.0);
    EXPECT_LT(early, 240.0);
    EXPECT_NEAR(measure::CrossingFrequency(Slice(out.left, 22050 + 4410 + 100, 17000), kTestRate), 440.0, 0.05);
}

TEST(DudeRiviTest, SampleRateAndBlockSizeChanges)
{
    CVelmHost host(48000, 64, TestHost().GetCPUFlags());
    auto dude = DudePtr(new CDudeRivi(&host, &TestTables(), false));
    PlainPatch(dude.get());
    const auto out = CMachineDriver(dude.get(), 0, -1, 1).Run(48000, {NoteOn(0, 69)});
    EXPECT_NEAR(measure::CrossingFrequency(Slice(out.left, 4800, 40000), 48000), 440.0, 0.05);

    dude->SetSampleRate(96000);
    dude->SetBlockSize(300);
    dude->ResizeBuffers(300);
    const auto after = CMachineDriver(dude.get(), 0, -1, 1).Run(96000, {NoteOn(0, 57)});
    EXPECT_NEAR(measure::CrossingFrequency(Slice(after.left, 9600, 80000), 96000), 220.0, 0.05);
}

TEST(DudeRiviTest, FormantBandsGlideToTheNewVowel)
{
    auto bandPower = [](const std::vector<double>& x, double hz) {
        const auto power = measure::PowerSpectrum(x);
        const double binHz = kTestRate / static_cast<double>(x.size());
        double sum = 0;
        for (auto k = static_cast<size_t>((hz * 0.9) / binHz); k <= static_cast<size_t>((hz * 1.1) / binHz); ++k)
            sum += power[k];
        return sum;
    };
    CRandom random(99);
    CFormantFilter formant(&TestHost(), kTestRate);
    formant.SetBlockSize(256);
    auto run = [&](size_t n) {
        std::vector<double> in(256), out(n);
        for (size_t done = 0; done < n; done += 256) {
            for (double& v : in)
                v = random.Noise();
            formant.Render(in.data(), out.data() + done, 256);
        }
        return out;
    };
    // "Male IY" has bands at 136, 266, 2293, 2937 Hz; "Soprano A" at 800,
    // 1150, 2900, 3900 Hz.
    const auto before = run(1 << 15);
    EXPECT_GT(bandPower(before, 266), 20 * bandPower(before, 800));
    formant.SetVowel(20);
    const auto sliding = run(1 << 12); // the first 0.09 s of a 1.3 s slide
    const auto settled = (run(1 << 17), run(1 << 15));
    EXPECT_GT(bandPower(settled, 800), 20 * bandPower(settled, 266));
    EXPECT_GT(bandPower(settled, 1150), 20 * bandPower(settled, 2000));
    EXPECT_LT(bandPower(sliding, 800), bandPower(settled, 800) / 4);
    EXPECT_EQ(formant.Vowel(), 20);
}

TEST(DudeRiviTest, FormantMixBlendsTheFilteredPath)
{
    auto render = [](double mix) {
        auto dude = MakeDude();
        PlainPatch(dude.get());
        dude->SetParameter(FORMANT_MIX, mix);
        dude->SetParameter(FORMANT_VOWEL, 20.0 / 45.0 + 0.001);
        return Play(dude.get(), 8192, {NoteOn(0, 45)}).left;
    };
    const auto dry = render(0.0), half = render(0.5), full = render(1.0);
    EXPECT_NE(dry, half);
    EXPECT_NE(half, full);
    // The mix is linear in m after the formant filter: half = (dry + full)/2
    // before the (linear) filters and envelope.
    for (size_t i = 0; i < dry.size(); i += 13)
        ASSERT_NEAR(half[i], 0.5 * (dry[i] + full[i]), 1e-9) << i;
}
