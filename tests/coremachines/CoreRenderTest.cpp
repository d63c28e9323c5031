// A DudeRivi playing a pattern through a ZezaRazad into the master: the
// project is made with the library's types in a session of our own, saved
// by the project writer, and rendered by the program as users run it
// (`velmora-studio --render`), with the library from its "PlugIns" folder.
#include "Measure.h"
#include "app/BuiltInMachineTypes.h"
#include "audio/CStudioOptions.h"
#include "app/CStudioSession.h"
#include "coremachines/CEcho.h"
#include "coremachines/DudeRiviParameters.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/Sequence.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/WaveReader.h"
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

constexpr int32_t kRate = 44100;
constexpr int64_t kTick = 5512; // 120 BPM, 4 ticks per beat

void RegisterWithCoreLibrary(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
}

struct Note {
    int32_t tick;
    int32_t ticks;
    int32_t key;
};

// Frames of the first sample at or after `from` whose magnitude exceeds
// `level` (left channel), or -1.
int64_t FirstAbove(const WaveFile& wave, int64_t from, int64_t to, float level)
{
    for (int64_t frame = from; frame < to; ++frame)
        if (std::abs(wave.At(static_cast<size_t>(frame), 0)) > level)
            return frame;
    return -1;
}

float LargestIn(const WaveFile& wave, int64_t from, int64_t to)
{
    float largest = 0.0f;
    for (int64_t frame = from; frame < to; ++frame)
        largest = std::max(largest, std::abs(wave.At(static_cast<size_t>(frame), 0)));
    return largest;
}

TEST(CoreRenderTest, DudeRiviThroughZezaRazadRendersNotesAtTheirFramesAndPitches)
{
    TempFolder temp;
    const Note notes[] = {{0, 2, 69}, {12, 2, 76}, {24, 3, 57}};
    const std::string project = temp / "song.vmp";
    {
        CStudioSession session(kRate, 256, RegisterWithCoreLibrary);
        session.NewProject();
        session.Host().SetTempo(120.0);
        session.Host().SetTicksPerBeat(4.0);
        CStudio& studio = session.Studio();
        CMachineContainer* synth = studio.AddMachine("DudeRivi 1", session.Host().FindMachineInfoByName("ZT DudeRivi"), 0, 0);
        CMachineContainer* echo = studio.AddMachine("ZezaRazad 1", session.Host().FindMachineInfoByName("ZT ZezaRazad"), 0, 0);
        ASSERT_NE(synth, nullptr);
        ASSERT_NE(echo, nullptr);
        studio.Connect(synth->GetConnector(1), echo->GetConnector(0), 1.0);
        studio.Connect(echo->GetConnector(1), studio.GetMaster()->GetConnector(0), 1.0);

        // A plain saw with short envelope edges; the echo passes the dry
        // signal at a quarter and repeats line 1 with little feedback.
        CMachine* dude = synth->GetMachine();
        using namespace dude;
        for (auto [index, value] : {std::pair{VCO1_SHAPE, 0.0}, {OSC_BALANCE, 0.0}, {VCF1_CUTOFF, 1.0},
                                    {VCF2_CUTOFF, 1.0}, {VCF1_RESONANCE, 0.0}, {VCF2_RESONANCE, 0.0},
                                    {VCF1_ENV_MOD, 0.0}, {VCF2_ENV_MOD, 0.0}, {AMP_ATTACK, 0.0},
                                    {AMP_SUSTAIN, 1.0}, {AMP_RELEASE, 0.0}})
            dude->SetParameter(index, value);
        echo->GetMachine()->SetParameter(1, 0.2); // "Feedback 1"
        echo->GetMachine()->SetParameter(7, 1.0); // "Dry Level 1"

        CPatternEditor& patterns = session.Sequencer().Patterns();
        patterns.ChooseMachine(synth);
        patterns.SetPatternLength(8); // 32 ticks
        Pattern* pattern = patterns.AddPattern();
        ASSERT_NE(pattern, nullptr);
        for (const Note& note : notes)
            pattern->AddNote(note.tick, note.ticks, note.key);
        CSequenceEditor& song = session.Sequencer().Song();
        song.SetSequenceLength(10);
        const Sequence& sequence = song.GetSequence();
        int32_t row = -1;
        for (int32_t i = 0; i < sequence.GetTrackCount(); ++i)
            if (sequence.GetTrack(i)->GetPort()->GetContainer() == synth)
                row = i;
        ASSERT_GE(row, 0);
        song.SelectRow(row);
        song.ChoosePattern(pattern);
        ASSERT_NE(song.PlaceAt(row, 0), nullptr);
        session.SaveProject(project);
    }

    // The user's options list no plug-in folders: only "PlugIns" is loaded.
    temp.MakeFolder("config/Velmora Studio");
    CStudioOptions options;
    options.pluginPaths.clear();
    ASSERT_TRUE(options.WriteTo(temp / "config/Velmora Studio/Velmora.opt"));
    const std::string output = temp / "song.wav";
    const ProgramRun run = RunProgram("env -u VST_PATH HOME='" + temp.MakeFolder("home") + "' XDG_CONFIG_HOME='" +
                                      temp / "config" + "' '" + VELMORA_BIN_DIR + "/velmora-studio' --render '" +
                                      project + "' '" + output + "' --block 300 2>&1");
    ASSERT_TRUE(WIFEXITED(run.status));
    ASSERT_EQ(WEXITSTATUS(run.status), 0) << (run.lines.empty() ? "" : run.lines.back());

    const WaveFile wave = ReadWave(output);
    ASSERT_TRUE(wave.valid);
    ASSERT_EQ(wave.channels, 2);
    ASSERT_EQ(wave.sampleRate, static_cast<uint32_t>(kRate));
    ASSERT_EQ(wave.Frames(), static_cast<size_t>(10 * 4 * kTick));

    for (const Note& note : notes) {
        const int64_t start = note.tick * kTick;
        // What is left of the echoes before a note lies some 1e-14 below
        // full scale; the note's first frame (an envelope's first step times
        // wherever the oscillator's phase is) lies far above that.
        if (start > 0) {
            EXPECT_LT(LargestIn(wave, start - 2000, start), 1e-10f) << note.key;
        }
        EXPECT_EQ(FirstAbove(wave, std::max<int64_t>(0, start - 2000), start + 2000, 1e-10f), start) << note.key;
        EXPECT_GT(LargestIn(wave, start, start + 100), 1e-4f) << note.key;
        // The steady part has the note's pitch.
        std::vector<double> steady;
        for (int64_t frame = start + 1000; frame < start + note.ticks * kTick - 500; ++frame)
            steady.push_back(wave.At(static_cast<size_t>(frame), 0));
        const double hz = 440.0 * std::exp2((note.key - 69) / 12.0);
        EXPECT_NEAR(measure::CrossingFrequency(steady, kRate), hz, hz * 1e-3) << note.key;
        // Both channels carry the same (serial routing, same line settings).
        EXPECT_EQ(wave.At(static_cast<size_t>(start + 3000), 0), wave.At(static_cast<size_t>(start + 3000), 1));
    }
    // The echo goes on after the first note (and its 10 ms release) has
    // ended, and dies away over its repeats.
    const int64_t end = 2 * kTick + 441;
    const auto delay = static_cast<int64_t>(CEcho::DelaySeconds(0.1) * kRate);
    const float firstRepeat = LargestIn(wave, end + 500, end + delay - 500);
    EXPECT_GT(firstRepeat, 1e-4f);
    EXPECT_LT(LargestIn(wave, end + 5 * delay, end + 6 * delay), firstRepeat * 1e-2f);
}

} // namespace
