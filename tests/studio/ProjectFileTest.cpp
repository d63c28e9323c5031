// Project files: layout, every file version, missing machines, damaged
// files, the legacy identifier, exact round trips and safe saving.
#include "framework/CMachine.h"
#include "framework/Errors.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/CProjectFile.h"
#include "support/ProjectBytes.h"
#include "support/SequencerFixture.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::vector<std::string> shown;

void NoteShown(const char*, const char* text)
{
    shown.push_back(text);
}

std::string MissingMessage(const std::string& name)
{
    return "Machine of name \"" + name +
           "\" could not be loaded.\r\nIf you save the project the machine's settings, connections, and patterns "
           "(if any) will be lost.";
}

std::vector<uint8_t> MasterState()
{
    return ProjectBytes().I32(0x50483634).I32(0).bytes; // "PH64", no parameters
}

class ProjectFiles : public ::testing::Test {
protected:
    ProjectFiles()
    {
        shown.clear();
        SetShowHandler(NoteShown);
    }
    ~ProjectFiles() override { SetShowHandler(nullptr); }

    CProjectFile File(CSequencerFixture& on)
    {
        return CProjectFile(on.Studio(), on.session.Sequencer(), on.session.Information());
    }
    std::vector<uint8_t> Save(CSequencerFixture& from) { return File(from).Write(); }
    // Clears the studio first, as the program does; the load's error text.
    std::string Load(CSequencerFixture& into, const std::vector<uint8_t>& bytes)
    {
        into.Studio().Clear();
        CProjectFile file = File(into);
        try {
            file.Read(bytes.data(), bytes.size(), "song.vmp");
        } catch (const CError& error) {
            missing = file.GetMissingMachineCount();
            return error.Text();
        }
        missing = file.GetMissingMachineCount();
        return "";
    }

    // Tone 1 -> Master through a cable at `volume`; Events 1 beside them.
    static ProjectBytes ThreeMachines(uint8_t major, uint8_t minor, double volume, bool withTicksPerBeat)
    {
        ProjectBytes file;
        file.Header(major, minor, 133.0f);
        if (withTicksPerBeat)
            file.F32(8.0f);
        file.I32(3);
        file.Machine("Master", "Master", 32, 32, 0, MasterState());
        file.Machine("Tone 1", "VelmPlug::ZT Tone", -5, 70, 1);
        file.Machine("Events 1", "VelmPlug::ZT Events", 200, -1, 2);
        ProjectBytes cable;
        cable.I32(1).I32(1).I32(1).I32(0).I32(0);
        if (major >= 3)
            cable.F64(volume);
        else if (major == 2)
            cable.F32(static_cast<float>(volume));
        file.Block(cable).Block(NoItems());
        file.Block(NoItems()).Block(ProjectBytes().I32(1).Pattern(0, 2, "Intro", 1, 0, {{0, 4, 60}}));
        file.Block(NoItems()).Block(NoItems());
        file.Block(ProjectBytes().I32(32).I32(2).I32(0).I32(1).I32(3).I32(0).I32(0).I32(0));
        return file;
    }

    CSequencerFixture fixture;
    int32_t missing = 0;
};

CConnection* OnlyCable(CMachineContainer* master)
{
    CConnector* in = master->GetConnector(0);
    return in->GetConnectionCount() == 1 ? in->GetConnection(0) : nullptr;
}

} // namespace

TEST_F(ProjectFiles, AProjectWithOnlyTheMaster)
{
    fixture.session.NewProject();
    fixture.SetClock(120.0, 4.0);
    ProjectBytes expected;
    expected.Header(4, 0, 120.0f).F32(4.0f).I32(1).Machine("Master", "Master", 32, 32, 0, MasterState());
    expected.Block(NoItems()).Block(NoItems());
    expected.Block(ProjectBytes().I32(64).I32(0));
    expected.Information("");
    EXPECT_EQ(Save(fixture), expected.bytes);
}

TEST_F(ProjectFiles, EveryFileVersionLoads)
{
    struct Version {
        uint8_t major, minor;
        bool ticksPerBeat;
        double volume;      // as stored
        double loaded;      // as loaded
        bool information;
    } versions[] = {
        {4, 0, true, 0.3, 0.3, true},
        {3, 0, false, 0.3, 0.3, true},
        {2, 1, false, 0.3, static_cast<double>(0.3f), true},
        {2, 0, false, 0.3, static_cast<double>(0.3f), false},
        {1, 0, false, 0.3, 1.0, false},
        {0, 0, false, 0.3, 1.0, false},
    };
    for (const Version& v : versions) {
        SCOPED_TRACE(testing::Message() << "version " << int(v.major) << "." << int(v.minor));
        ProjectBytes file = ThreeMachines(v.major, v.minor, v.volume, v.ticksPerBeat);
        if (v.information)
            file.Information("Written by hand");
        fixture.session.Information() = "stale";
        ASSERT_EQ(Load(fixture, file.bytes), "");
        EXPECT_EQ(fixture.Host().GetTempo(), 133.0);
        EXPECT_EQ(fixture.Host().GetTicksPerBeat(), v.ticksPerBeat ? 8.0 : 16.0);
        CMachineContainer* master = fixture.Studio().FindByName("Master");
        CMachineContainer* tone = fixture.Studio().FindByName("Tone 1");
        CMachineContainer* events = fixture.Studio().FindByName("Events 1");
        ASSERT_TRUE(master && tone && events);
        EXPECT_EQ(fixture.Studio().GetMaster(), master);
        EXPECT_EQ(tone->GetX(), 0);  // -5 becomes 0
        EXPECT_EQ(tone->GetY(), 70);
        EXPECT_EQ(events->GetY(), 0);
        EXPECT_EQ(tone->guiState, 1);
        EXPECT_EQ(events->guiState, 2);
        ASSERT_NE(OnlyCable(master), nullptr);
        EXPECT_EQ(OnlyCable(master)->source, tone->GetConnector(1));
        EXPECT_EQ(OnlyCable(master)->GetTargetVolume(), v.loaded);
        ASSERT_EQ(fixture.Patterns().GetPatterns().GetCount(), 1);
        Pattern* intro = fixture.Patterns().GetPatterns().GetItem(0);
        EXPECT_EQ(intro->GetTarget(), tone->GetConnector(0));
        EXPECT_EQ(fixture.Song().GetSequenceLength(), 32);
        const SequenceTrack* toneTrack = fixture.Song().GetSequence().GetTrack(0);
        ASSERT_EQ(toneTrack->GetEntryCount(), 1);
        EXPECT_EQ(toneTrack->GetEntry(0)->start, 3);
        EXPECT_EQ(toneTrack->GetEntry(0)->pattern, intro);
        EXPECT_EQ(fixture.session.Information(), v.information ? "Written by hand" : "");
    }
}

TEST_F(ProjectFiles, SaveLoadSaveGivesTheSameBytes)
{
    fixture.session.NewProject();
    fixture.SetClock(97.0, 6.0);
    CMachineContainer* tone = fixture.Add("ZT Tone", "Tone 1", 100, 40);
    CMachineContainer* knob = fixture.Add("ZT Knob", "Knob 1", 300, 80);
    CMachineContainer* chunk = fixture.Add("ZT Chunk", "Chunk 1", 20, 400);
    CMachineContainer* events = fixture.Add("ZT Events", "Events 1");
    chunk->guiState = 2;
    knob->GetMachine()->SetParameter(2, 0.123456789012345);
    auto* chunkMachine = static_cast<CChunkMachine*>(chunk->GetMachine());
    for (int i = 0; i < 3 << 20; ++i)
        chunkMachine->chunk.push_back(static_cast<uint8_t>(i * 7));
    CMachineContainer* master = fixture.Studio().GetMaster();
    fixture.Studio().Connect(tone->GetConnector(1), master->GetConnector(0), 0.1234567890123);
    fixture.Studio().Connect(knob->GetConnector(1), master->GetConnector(0), 1.0);
    fixture.Studio().Connect(events->GetConnector(1), knob->GetConnector(0), 1.0);
    Pattern* melody = fixture.NewPattern(tone, 4);
    melody->AddControlTrack(-1);
    melody->AddNote(0, 3, 60);
    melody->AddNote(5, 1, 72);
    Pattern* sweep = fixture.NewPattern(knob, 2);
    sweep->AddControlTrack(3);
    sweep->GetControlTrack(0)->Point(4) = ControlPoint{true, 0.75f};
    fixture.Place(tone, melody, 0);
    fixture.Place(tone, melody, 8);
    fixture.Place(knob, sweep, 2);
    fixture.session.Information() = "Line one\r\nLine two";

    const std::vector<uint8_t> first = Save(fixture);
    CSequencerFixture other;
    ASSERT_EQ(Load(other, first), "");
    EXPECT_EQ(Save(other), first);

    CMachineContainer* loadedKnob = other.Studio().FindByName("Knob 1");
    EXPECT_EQ(loadedKnob->GetMachine()->GetParameter(2), 0.123456789012345);
    EXPECT_EQ(loadedKnob->GetX(), 300);
    auto* loadedChunk = static_cast<CChunkMachine*>(other.Studio().FindByName("Chunk 1")->GetMachine());
    EXPECT_EQ(loadedChunk->chunk, chunkMachine->chunk);
    EXPECT_FALSE(loadedChunk->loadedAsParameterList);
    EXPECT_EQ(OnlyCable(other.Studio().FindByName("Knob 1"))->GetTargetVolume(), 1.0);
    EXPECT_EQ(other.Studio().GetMaster()->GetConnector(0)->GetConnection(0)->GetTargetVolume(), 0.1234567890123);
    EXPECT_EQ(other.Host().GetTicksPerBeat(), 6.0);
    EXPECT_EQ(other.session.Information(), "Line one\r\nLine two");
}

TEST_F(ProjectFiles, MachinesOfMissingTypesAreLeftOutWithTheirCablesAndPatterns)
{
    // Master, Tone 1, a machine of an unknown type, Tone 2; the unknown one
    // feeds Tone 2's control input and owns a pattern; each tone has a
    // pattern placed on its own row.
    ProjectBytes file;
    file.Header(4, 0, 120.0f).F32(4.0f).I32(4);
    file.Machine("Master", "Master", 32, 32, 0, MasterState());
    file.Machine("Tone 1", "VelmPlug::ZT Tone", 0, 0);
    file.Machine("Gone 1", "VelmPlug::ZT Vanished", 0, 0);
    file.Machine("Tone 2", "VelmPlug::ZT Tone", 0, 0);
    file.Block(ProjectBytes().I32(2).I32(1).I32(1).I32(0).I32(0).F64(0.5).I32(3).I32(1).I32(0).I32(0).F64(0.25));
    file.Block(NoItems());
    file.Block(NoItems()).Block(ProjectBytes().I32(1).Pattern(0, 1, "A", 1, 0));
    file.Block(NoItems()).Block(ProjectBytes().I32(1).Pattern(1, 1, "Lost", 2, 0));
    file.Block(ProjectBytes().I32(1).I32(2).I32(1).I32(3).I32(0).F64(1.0));
    file.Block(ProjectBytes().I32(1).Pattern(2, 1, "B", 3, 0));
    // Stored tracks: Tone 1, Gone 1, Tone 2.
    file.Block(ProjectBytes()
                   .I32(64)
                   .I32(3)
                   .I32(0).I32(1).I32(0).I32(0)
                   .I32(0).I32(1).I32(4).I32(1)
                   .I32(0).I32(2).I32(8).I32(2).I32(12).I32(2));
    file.Information("");
    ASSERT_EQ(Load(fixture, file.bytes), "");
    EXPECT_EQ(missing, 1);
    EXPECT_EQ(shown, (std::vector<std::string>{MissingMessage("Gone 1")}));
    EXPECT_EQ(fixture.Studio().GetContainerCount(), 3);
    CMachineContainer* tone2 = fixture.Studio().FindByName("Tone 2");
    EXPECT_EQ(tone2->GetConnector(0)->GetConnectionCount(), 0);
    CConnector* master = fixture.Studio().GetMaster()->GetConnector(0);
    ASSERT_EQ(master->GetConnectionCount(), 2);
    EXPECT_EQ(master->GetConnection(1)->source, tone2->GetConnector(1)); // machine number 3
    EXPECT_EQ(master->GetConnection(1)->GetTargetVolume(), 0.25);
    std::vector<std::string> names;
    for (Pattern* p : fixture.Patterns().GetPatterns())
        names.push_back(p->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
    // Each entry is on the row of the port its pattern plays into.
    const Sequence& song = fixture.Song().GetSequence();
    ASSERT_EQ(song.GetTrackCount(), 2);
    EXPECT_EQ(song.GetTrack(0)->GetEntryCount(), 1);
    ASSERT_EQ(song.GetTrack(1)->GetEntryCount(), 2);
    EXPECT_EQ(song.GetTrack(1)->GetPort()->GetContainer(), tone2);
    EXPECT_EQ(song.GetTrack(1)->GetEntry(1)->start, 12);

    // Saved again, the project no longer knows the machine.
    CSequencerFixture other;
    ASSERT_EQ(Load(other, Save(fixture)), "");
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(other.Studio().GetContainerCount(), 3);
    EXPECT_EQ(other.Song().GetSequence().GetTrack(1)->GetEntryCount(), 2);
}

TEST_F(ProjectFiles, TheOldSynthesizerNameFindsItsSuccessor)
{
    ProjectBytes file;
    file.Header(4, 0, 120.0f).F32(4.0f).I32(2);
    file.Machine("VelmPlug::ZT OrvelSynth", "VelmPlug::ZT DudeRivi", 0, 0);
    file.Machine("Lead", "VelmPlug::ZT OrvelSynth", 0, 0);
    for (int i = 0; i < 2; ++i)
        file.Block(NoItems()).Block(NoItems());
    file.Block(ProjectBytes().I32(64).I32(0)).Information("");
    ASSERT_EQ(Load(fixture, file.bytes), "");
    EXPECT_TRUE(shown.empty());
    ASSERT_NE(fixture.Studio().FindByName("VelmPlug::ZT DudeRivi"), nullptr);
    ASSERT_NE(fixture.Studio().FindByName("Lead"), nullptr);
    EXPECT_STREQ(fixture.Studio().FindByName("Lead")->GetType()->identifier, "VelmPlug::ZT DudeRivi");
}

TEST_F(ProjectFiles, ANewerMajorVersionIsRejectedBeforeAnythingChanges)
{
    fixture.SetClock(99.0, 3.0);
    ProjectBytes file = ThreeMachines(4, 0, 1.0, true);
    file.Information("");
    file.bytes[4] = 5;
    EXPECT_EQ(Load(fixture, file.bytes), "File 'song.vmp' Has Incompatible Version Number");
    EXPECT_EQ(fixture.Host().GetTempo(), 99.0);
    EXPECT_EQ(fixture.Host().GetTicksPerBeat(), 3.0);
    EXPECT_EQ(fixture.Studio().GetContainerCount(), 0);
}

TEST_F(ProjectFiles, EveryTruncationIsCorruptAndKeepsWhatWasLoaded)
{
    ProjectBytes file = ThreeMachines(4, 0, 1.0, true);
    file.Information("Text");
    const std::vector<uint8_t> whole = file.bytes;
    for (size_t size = 0; size < whole.size(); ++size) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        ASSERT_EQ(Load(fixture, cut), "File 'song.vmp' Is Corrupt") << size;
    }
    // Cut inside the information text: the whole graph, the patterns and
    // the song are there.
    std::vector<uint8_t> cut(whole.begin(), whole.end() - 2);
    EXPECT_EQ(Load(fixture, cut), "File 'song.vmp' Is Corrupt");
    EXPECT_EQ(fixture.Studio().GetContainerCount(), 3);
    EXPECT_EQ(fixture.Patterns().GetPatterns().GetCount(), 1);
    EXPECT_EQ(fixture.Song().GetSequence().GetTrack(0)->GetEntryCount(), 1);
}

TEST_F(ProjectFiles, LengthsAndCountsThatLieAreCorrupt)
{
    ProjectBytes file = ThreeMachines(4, 0, 1.0, true);
    file.Information("");
    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> bytes = file.bytes;
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        return bytes;
    };
    const size_t count = 14, firstRecord = 18, tone = firstRecord + 2065 + 8;
    EXPECT_EQ(Load(fixture, patched(count, 1000000)), "File 'song.vmp' Is Corrupt");
    EXPECT_EQ(Load(fixture, patched(count, -3)), "File 'song.vmp' Is Corrupt");
    EXPECT_EQ(Load(fixture, patched(firstRecord + 2060, 0x7fffffff)), "File 'song.vmp' Is Corrupt");
    EXPECT_EQ(Load(fixture, patched(firstRecord + 2060, -1)), "File 'song.vmp' Is Corrupt");
    // The tone's record with a blob length of 2 GB: the master stays.
    EXPECT_EQ(Load(fixture, patched(tone + 2060, 0x7ffffff0)), "File 'song.vmp' Is Corrupt");
    EXPECT_EQ(fixture.Studio().GetContainerCount(), 1);
    // A tempo that is not a number; one out of range is clamped.
    std::vector<uint8_t> bytes = file.bytes;
    bytes[6] = bytes[7] = bytes[8] = bytes[9] = 0xff;
    EXPECT_EQ(Load(fixture, bytes), "File 'song.vmp' Is Corrupt");
    ProjectBytes fast;
    fast.Header(4, 0, 5000.0f).F32(0.5f).I32(0).Block(ProjectBytes().I32(64).I32(0)).Information("");
    EXPECT_EQ(Load(fixture, fast.bytes), "");
    EXPECT_EQ(fixture.Host().GetTempo(), 1200.0);
    EXPECT_EQ(fixture.Host().GetTicksPerBeat(), 1.0);
    // Foreign magic, and a header cut short.
    bytes = file.bytes;
    bytes[0] = 'X';
    EXPECT_EQ(Load(fixture, bytes), "File 'song.vmp' Is Corrupt");
}

TEST_F(ProjectFiles, StoredEntriesThatBreakTheSongAreSkipped)
{
    ProjectBytes file = ThreeMachines(4, 0, 1.0, true);
    // Replace the song: entries at 3 (fits), 4 (overlaps), 31 (past the
    // end of 32), pattern 9 (unknown), and -2 (negative).
    file.bytes.resize(file.bytes.size() - (4 + 8 * 4));
    file.Block(ProjectBytes().I32(32).I32(1).I32(0).I32(5)
                   .I32(3).I32(0).I32(4).I32(0).I32(31).I32(0).I32(20).I32(9).I32(-2).I32(0));
    file.Information("");
    ASSERT_EQ(Load(fixture, file.bytes), "");
    const SequenceTrack* track = fixture.Song().GetSequence().GetTrack(0);
    ASSERT_EQ(track->GetEntryCount(), 1);
    EXPECT_EQ(track->GetEntry(0)->start, 3);
}

TEST_F(ProjectFiles, SavingReplacesTheFileOnlyWhenItWasWrittenWhole)
{
    const std::filesystem::path folder = std::filesystem::path(VELMORA_TEST_DIR) / "project-save";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "song.vmp" / "inside");
    fixture.session.NewProject();
    // The target is a folder: the rename fails and nothing is left behind.
    const std::string target = (folder / "song.vmp").string();
    try {
        fixture.session.SaveProject(target);
        FAIL() << "saved over a folder";
    } catch (const CError& error) {
        EXPECT_EQ(error.Text(), "Failed To Open File '" + target + "' For Writing");
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "song.vmp" / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    EXPECT_THROW(fixture.session.SaveProject((folder / "no" / "such.vmp").string()), CError);

    const std::string path = (folder / "real.vmp").string();
    fixture.session.SaveProject(path);
    fixture.Add("ZT Tone", "Tone 1");
    fixture.session.SaveProject(path);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, Save(fixture));
    EXPECT_EQ(fixture.session.LoadProject(path), 0);
    EXPECT_EQ(fixture.Studio().GetContainerCount(), 2);
    try {
        fixture.session.LoadProject((folder / "absent.vmp").string());
        FAIL() << "loaded a missing file";
    } catch (const CError& error) {
        EXPECT_EQ(error.Text(), "Failed To Open File '" + (folder / "absent.vmp").string() + "' For Reading");
    }
    std::filesystem::remove_all(folder);
}
