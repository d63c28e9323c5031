// Loads mutated project files for a bounded time: every load either works
// or ends in one of the loader's messages, and what it leaves behind keeps
// the sequencer's invariants, saves, reloads to the same bytes and plays.
// Built with AddressSanitizer and UndefinedBehaviorSanitizer in the asan
// tree. VELMORA_FUZZ_SECONDS sets the time (default 20); a failing input is
// written to the test folder as "fuzz-failure.vmp".
#include "framework/Errors.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CProjectFile.h"
#include "support/ProjectBytes.h"
#include "support/SequencerFixture.h"
#include "platform/OsTime.h"
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace {

void Quiet(const char*, const char*) {}

std::vector<uint8_t> MasterState()
{
    return ProjectBytes().I32(0x50483634).I32(0).bytes;
}

// Hand-written files of the older versions, 20- and 16-byte cables.
std::vector<uint8_t> OldFile(uint8_t major, uint8_t minor)
{
    ProjectBytes file;
    file.Header(major, minor, 140.0f).I32(3);
    file.Machine("Master", "Master", 32, 32, 0, MasterState());
    file.Machine("Keys 1", "VelmPlug::ZT Keys", 10, 10, 1);
    file.Machine("Gone", "VelmPlug::ZT Gone", 0, 0);
    ProjectBytes cable = ProjectBytes().I32(1).I32(2).I32(1).I32(1).I32(0);
    if (major == 2)
        cable.F32(0.5f);
    file.Block(NoItems()).Block(NoItems());
    file.Block(cable).Block(ProjectBytes().I32(2).Pattern(0, 2, "K", 1, 0, {{0, 1, 3}, {4, 2, 7}}).Pattern(1, 1, "L", 2, 0));
    file.Block(NoItems()).Block(NoItems());
    file.Block(ProjectBytes().I32(16).I32(2).I32(0).I32(2).I32(0).I32(0).I32(2).I32(1).I32(0).I32(1).I32(4).I32(1));
    if (major > 2 || minor > 0)
        file.Information("old");
    return file.bytes;
}

// A project made through the editors and saved by the program.
std::vector<uint8_t> SavedFile()
{
    CSequencerFixture made;
    made.session.NewProject();
    CMachineContainer* tone = made.Add("ZT Tone", "Tone 1");
    CMachineContainer* knob = made.Add("ZT Knob", "Knob 1");
    CMachineContainer* chunk = made.Add("ZT Chunk", "Chunk 1");
    static_cast<CChunkMachine*>(chunk->GetMachine())->chunk = {1, 2, 3, 4, 5};
    made.Studio().Connect(tone->GetConnector(1), made.Studio().GetMaster()->GetConnector(0), 0.5);
    made.Studio().Connect(knob->GetConnector(1), made.Studio().GetMaster()->GetConnector(0), 0.7);
    Pattern* melody = made.NewPattern(tone, 2);
    made.Patterns().AddControlTrack(-1);
    melody->AddNote(0, 2, 60);
    melody->AddNote(3, 5, 64);
    Pattern* sweep = made.NewPattern(knob, 1);
    made.Patterns().AddControlTrack(1);
    made.Patterns().SetControlPoint(0, 2, 0.5f);
    made.Place(tone, melody, 0);
    made.Place(tone, melody, 2);
    made.Place(knob, sweep, 1);
    made.Song().SetSequenceLength(8);
    made.session.Information() = "saved";
    return CProjectFile(made.Studio(), made.session.Sequencer(), made.session.Information()).Write();
}

class CMutator {
public:
    explicit CMutator(uint32_t seed) : random(seed) {}

    size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(random) : 0; }

    int32_t Interesting(size_t size, size_t at)
    {
        const int32_t values[] = {0, 1, -1, 2, 4, 8, 16, 64, 1023, 1024, 1025, 1048, 2065, 4096, 0x7fffffff,
                                  static_cast<int32_t>(0x80000000u), 1000000, static_cast<int32_t>(size - at),
                                  static_cast<int32_t>(size - at) - 4};
        return values[Below(std::size(values))];
    }

    void Mutate(std::vector<uint8_t>& bytes, const std::vector<std::vector<uint8_t>>& seeds)
    {
        const size_t steps = 1 + Below(4);
        for (size_t step = 0; step < steps && !bytes.empty(); ++step) {
            const size_t at = Below(bytes.size());
            switch (Below(7)) {
            case 0:
                bytes[at] ^= static_cast<uint8_t>(1u << Below(8));
                break;
            case 1:
                bytes[at] = static_cast<uint8_t>(Below(256));
                break;
            case 2: {
                // Counts and lengths sit at 4-byte steps from a few anchors.
                const int32_t value = Interesting(bytes.size(), at);
                for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
                    bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
                break;
            }
            case 3:
                bytes.resize(at);
                break;
            case 4:
                bytes.erase(bytes.begin() + static_cast<long>(at),
                            bytes.begin() + static_cast<long>(std::min(bytes.size(), at + 1 + Below(64))));
                break;
            case 5: {
                const size_t length = 1 + Below(std::min<size_t>(64, bytes.size() - at));
                std::vector<uint8_t> copy(bytes.begin() + static_cast<long>(at),
                                          bytes.begin() + static_cast<long>(at + length));
                bytes.insert(bytes.begin() + static_cast<long>(Below(bytes.size())), copy.begin(), copy.end());
                break;
            }
            default: {
                const std::vector<uint8_t>& other = seeds[Below(seeds.size())];
                const size_t from = Below(other.size());
                bytes.resize(at);
                bytes.insert(bytes.end(), other.begin() + static_cast<long>(from), other.end());
                break;
            }
            }
        }
    }

private:
    std::mt19937 random;
};

// What the sequencer promises after every load.
void ExpectInvariants(CSequencerFixture& fixture)
{
    for (Pattern* pattern : fixture.Patterns().GetPatterns()) {
        ASSERT_GE(pattern->GetLength(), kMinimumPatternLength);
        ASSERT_LE(pattern->GetLength(), kMaximumPatternLength);
        for (PatternNote* note = pattern->FirstNote(); note; note = note->NextNode()) {
            ASSERT_GE(note->start, 0);
            ASSERT_GE(note->length, 1);
            ASSERT_LE(note->End(), pattern->GetTickCount());
        }
        for (int32_t t = 0; t < pattern->GetControlTrackCount(); ++t)
            ASSERT_EQ(pattern->GetControlTrack(t)->GetPointCount(), pattern->GetTickCount());
    }
    const Sequence& song = fixture.Song().GetSequence();
    for (int32_t t = 0; t < song.GetTrackCount(); ++t) {
        const SequenceTrack* track = song.GetTrack(t);
        for (int32_t e = 0; e < track->GetEntryCount(); ++e) {
            const SequenceEntry* entry = track->GetEntry(e);
            ASSERT_TRUE(song.Fits(entry->start, entry->pattern->GetLength()));
            ASSERT_FALSE(track->Overlaps(entry->start, entry->pattern->GetLength(), entry));
        }
    }
}

// Loads `bytes` into `into` and saves it again.
std::vector<uint8_t> Resave(CSequencerFixture& into, const std::vector<uint8_t>& bytes)
{
    into.Studio().Clear();
    CProjectFile file(into.Studio(), into.session.Sequencer(), into.session.Information());
    file.Read(bytes.data(), bytes.size(), "again.vmp");
    return file.Write();
}

double FuzzSeconds()
{
    const char* text = std::getenv("VELMORA_FUZZ_SECONDS");
    return text ? std::atof(text) : 20.0;
}

} // namespace

TEST(ProjectLoaderFuzz, MutatedFilesLoadOrFailCleanly)
{
    SetShowHandler(Quiet);
    const std::vector<std::vector<uint8_t>> seeds = {OldFile(1, 0), OldFile(2, 0), OldFile(2, 1), OldFile(3, 0),
                                                      SavedFile()};
    CMutator mutator(20240611);
    CSequencerFixture fixture(44100, 512);
    CSequencerFixture again(44100, 512);
    const int64_t deadline = platform::PerformanceCounterNs() + static_cast<int64_t>(FuzzSeconds() * 1e9);
    int64_t loads = 0;
    int64_t loaded = 0;
    while (platform::PerformanceCounterNs() < deadline) {
        std::vector<uint8_t> input = seeds[mutator.Below(seeds.size())];
        mutator.Mutate(input, seeds);
        ++loads;
        std::string error;
        fixture.Studio().Clear();
        CProjectFile file(fixture.Studio(), fixture.session.Sequencer(), fixture.session.Information());
        try {
            file.Read(input.data(), input.size(), "fuzz.vmp");
        } catch (const CError& raised) {
            error = raised.Text();
        }
        const bool expected = error.empty() || error == "File 'fuzz.vmp' Is Corrupt" ||
                              error == "File 'fuzz.vmp' Has Incompatible Version Number";
        if (expected && !testing::Test::HasFailure())
            ExpectInvariants(fixture);
        if (expected && error.empty() && !testing::Test::HasFailure()) {
            ++loaded;
            // A project that loaded saves and reloads to the same bytes. A
            // pattern without a port (its record named no machine of the
            // file) keeps its place in the numbering but is not saved, and
            // a pattern recorded in another machine's block is saved in its
            // own machine's: the numbers of that first save shift once.
            bool portless = false;
            bool moved = false;
            int32_t lastMachine = -1;
            for (Pattern* pattern : fixture.Patterns().GetPatterns()) {
                portless = portless || !pattern->GetTarget();
                if (pattern->GetTarget()) {
                    const int32_t machine = pattern->GetTarget()->GetPort()->owner->machineNumber;
                    moved = moved || machine < lastMachine;
                    lastMachine = std::max(lastMachine, machine);
                }
            }
            std::vector<uint8_t> saved = file.Write();
            std::vector<uint8_t> resaved = Resave(again, saved);
            if (portless || moved)
                EXPECT_EQ(Resave(again, resaved), resaved);
            else
                EXPECT_EQ(resaved, saved);
            fixture.Song().SetLoop(true);
            fixture.Song().SetPlay(true);
            for (int block = 0; block < 3; ++block)
                fixture.RenderBlock();
            fixture.Song().Stop();
        }
        EXPECT_TRUE(expected) << error;
        if (testing::Test::HasFailure()) {
            std::ofstream(std::string(VELMORA_TEST_DIR) + "/fuzz-failure.vmp", std::ios::binary)
                .write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
            break;
        }
    }
    SetShowHandler(nullptr);
    std::printf("%lld mutated files, %lld loaded without error\n", static_cast<long long>(loads),
                static_cast<long long>(loaded));
    EXPECT_GT(loads, 100);
    EXPECT_GT(loaded, 0);
}
