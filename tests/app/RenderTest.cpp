// Offline rendering: the WAV writer, the song rendered through the render
// cycle frame by frame, and the --render and --upgrade commands.
#include "audio/CStudioOptions.h"
#include "app/OfflineRender.h"
#include "audio/CWaveFileWriter.h"
#include "framework/Errors.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "support/ProjectBytes.h"
#include "support/SequencerFixture.h"
#include "support/TempFolder.h"
#include "support/WaveReader.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const std::string& name)
{
    fs::path folder = fs::path(VELMORA_TEST_DIR) / "render-tests";
    fs::create_directories(folder);
    return folder / name;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A user of its own for the program: configuration in a temporary folder,
// with options that list no VST folders, so that runs neither scan the
// system's plug-ins nor touch the real user's files.
const TempFolder& UserFolder()
{
    static TempFolder user;
    static bool prepared = false;
    if (!prepared) {
        user.MakeFolder("config/Velmora Studio");
        CStudioOptions options;
        options.pluginPaths.clear();
        options.WriteTo(user / "config/Velmora Studio/Velmora.opt");
        prepared = true;
    }
    return user;
}

// Runs a velmora-studio program with the arguments as that user; standard
// error goes to `log`.
int RunProgram(const std::string& program, const std::string& arguments, const fs::path& log)
{
    const TempFolder& user = UserFolder();
    std::string command = "env -u VST_PATH HOME='" + user.Path() + "' XDG_CONFIG_HOME='" + (user / "config") + "' '" +
                          program + "' " + arguments + " >/dev/null 2>'" + log.string() + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunStudio(const std::string& arguments, const fs::path& log)
{
    return RunProgram(std::string(VELMORA_BIN_DIR) + "/velmora-studio", arguments, log);
}

std::vector<uint8_t> MasterState()
{
    return ProjectBytes().I32(0x50483634).I32(0).bytes;
}

// A project of the given version: the master, optionally a machine of an
// unknown type, a song of `length` units at 120 BPM and 4 ticks per beat.
std::vector<uint8_t> MasterProject(uint8_t major, int32_t length, bool withUnknown = false)
{
    ProjectBytes file;
    file.Header(major, 0, 120.0f);
    if (major >= 4)
        file.F32(4.0f);
    file.I32(withUnknown ? 2 : 1).Machine("Master", "Master", 32, 32, 0, MasterState());
    if (withUnknown)
        file.Machine("Strange 1", "VelmPlug::ZT Strange", 0, 0);
    for (int i = 0; i < (withUnknown ? 2 : 1); ++i)
        file.Block(NoItems()).Block(NoItems());
    file.Block(ProjectBytes().I32(length).I32(0));
    return file.Information("").bytes;
}

} // namespace

TEST(WaveFileWriter, WritesFloatFramesAndMovesTheFileIntoPlaceWhenFinished)
{
    const fs::path path = Scratch("writer.wav");
    fs::remove(path);
    {
        CWaveFileWriter wave(path.string(), 2, 48000);
        const double left[] = {0.5, -0.25, 1.5};
        const double right[] = {0.0, 1.0 / 3.0, -1.0};
        const double* channels[] = {left, right};
        wave.Write(channels, 3);
        EXPECT_FALSE(fs::exists(path));
        wave.Finish();
    }
    WaveFile wave = ReadWave(path.string());
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.format, 3);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.sampleRate, 48000u);
    EXPECT_EQ(wave.byteRate, 48000u * 8);
    EXPECT_EQ(wave.blockAlign, 8);
    EXPECT_EQ(wave.bits, 32);
    EXPECT_EQ(wave.factFrames, 3u);
    EXPECT_EQ(wave.riffSize, wave.fileSize - 8);
    EXPECT_EQ(wave.samples, (std::vector<float>{0.5f, 0.0f, -0.25f, static_cast<float>(1.0 / 3.0), 1.5f, -1.0f}));
    EXPECT_FALSE(fs::exists(path.string() + ".part"));

    // Without Finish nothing is left behind.
    fs::remove(path);
    { CWaveFileWriter abandoned(path.string(), 2, 44100); }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path.string() + ".part"));
    EXPECT_THROW(CWaveFileWriter((Scratch("none") / "x.wav").string(), 2, 44100), CError);
}

TEST(OfflineRender, NotesSoundFromTheExactFramesOfTheTickClock)
{
    CSequencerFixture fixture;
    fixture.session.NewProject();
    fixture.SetClock(120.0, 4.0); // 5512 frames per tick
    CMachineContainer* tone = fixture.Add("ZT Tone", "Tone 1");
    fixture.Studio().Connect(tone->GetConnector(1), fixture.Studio().GetMaster()->GetConnector(0), 1.0);
    Pattern* pattern = fixture.NewPattern(tone, 1);
    pattern->AddNote(0, 1, 60);
    pattern->AddNote(2, 1, 64);
    fixture.Song().SetSequenceLength(2);
    fixture.Place(tone, pattern, 0);
    fixture.Place(tone, pattern, 1);

    const int64_t frames = fixture.session.SongFrames();
    EXPECT_EQ(frames, 8 * 5512);
    std::vector<double> left;
    std::vector<double> right;
    int64_t lastDone = 0;
    RenderSong(
        fixture.session, frames,
        [&](const double* const* channels, int32_t count) {
            left.insert(left.end(), channels[0], channels[0] + count);
            right.insert(right.end(), channels[1], channels[1] + count);
        },
        [&](int64_t done, int64_t total) {
            EXPECT_GT(done, lastDone);
            EXPECT_EQ(total, frames);
            lastDone = done;
        });
    ASSERT_EQ(static_cast<int64_t>(left.size()), frames);
    EXPECT_EQ(lastDone, frames);
    EXPECT_FALSE(fixture.Song().IsSongPlaying());

    // Pitch 60 sounds on [0, 5512) and [22048, 27560), 64 on [11024, 16536)
    // and [33072, 38584): every frame is checked.
    auto expected = [](int64_t frame) {
        double level = 0.0;
        for (int64_t start : {0, 22048})
            level += frame >= start && frame < start + 5512 ? CToneMachine::Level(60) : 0.0;
        for (int64_t start : {11024, 33072})
            level += frame >= start && frame < start + 5512 ? CToneMachine::Level(64) : 0.0;
        return level;
    };
    int64_t wrong = 0;
    for (int64_t frame = 0; frame < frames; ++frame) {
        if (left[static_cast<size_t>(frame)] != expected(frame) || right[static_cast<size_t>(frame)] != expected(frame))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(RenderCommand, RendersASongOfTheRightLengthAndFormat)
{
    const fs::path project = Scratch("silent.vmp");
    const fs::path output = Scratch("silent.wav");
    const fs::path log = Scratch("render.log");
    WriteFile(project, MasterProject(4, 3));
    fs::remove(output);
    ASSERT_EQ(RunStudio("--render '" + project.string() + "' '" + output.string() + "'", log), 0) << ReadText(log);
    WaveFile wave = ReadWave(output.string());
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.format, 3);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.sampleRate, 44100u);
    EXPECT_EQ(wave.Frames(), 3u * 4 * 5512);
    EXPECT_EQ(wave.factFrames, wave.Frames());

    ASSERT_EQ(RunStudio("--render '" + project.string() + "' '" + output.string() + "' --seconds 0.5 --rate 48000 --block 100",
                        log),
              0)
        << ReadText(log);
    wave = ReadWave(output.string());
    EXPECT_EQ(wave.sampleRate, 48000u);
    EXPECT_EQ(wave.Frames(), 24000u);
}

TEST(RenderCommand, ErrorsAndMissingMachinesGiveAMessageAndAStatus)
{
    const fs::path output = Scratch("failed.wav");
    const fs::path log = Scratch("failed.log");
    fs::remove(output);
    const fs::path absent = Scratch("absent.vmp");
    fs::remove(absent);
    EXPECT_EQ(RunStudio("--render '" + absent.string() + "' '" + output.string() + "'", log), 1);
    EXPECT_NE(ReadText(log).find("Failed To Open File '" + absent.string() + "' For Reading"), std::string::npos);
    EXPECT_FALSE(fs::exists(output));

    const fs::path corrupt = Scratch("corrupt.vmp");
    std::vector<uint8_t> bytes = MasterProject(4, 3);
    bytes.resize(bytes.size() - 9);
    WriteFile(corrupt, bytes);
    EXPECT_EQ(RunStudio("--render '" + corrupt.string() + "' '" + output.string() + "'", log), 1);
    EXPECT_NE(ReadText(log).find("File '" + corrupt.string() + "' Is Corrupt"), std::string::npos);
    EXPECT_FALSE(fs::exists(output));

    EXPECT_EQ(RunStudio("--render '" + corrupt.string() + "'", log), 1);
    EXPECT_NE(ReadText(log).find("Usage: velmora-studio --render"), std::string::npos);
    EXPECT_EQ(RunStudio("--render a.vmp b.wav --seconds -1", log), 1);
    EXPECT_NE(ReadText(log).find("Invalid Value '-1' For --seconds"), std::string::npos);

    // A day of stereo float is more than a WAV file's 4 GB: refused at once.
    const fs::path silent = Scratch("day.vmp");
    WriteFile(silent, MasterProject(4, 1));
    EXPECT_EQ(RunStudio("--render '" + silent.string() + "' '" + output.string() + "' --seconds 86400", log), 1);
    EXPECT_NE(ReadText(log).find("86400 Seconds Are Too Long For A WAV File"), std::string::npos);
    EXPECT_FALSE(fs::exists(output));

    // A machine of an unknown type: the message, the rest rendered, status 2.
    const fs::path strange = Scratch("strange.vmp");
    WriteFile(strange, MasterProject(4, 1, true));
    EXPECT_EQ(RunStudio("--render '" + strange.string() + "' '" + output.string() + "'", log), 2);
    EXPECT_NE(ReadText(log).find("Machine of name \"Strange 1\" could not be loaded."), std::string::npos);
    EXPECT_EQ(ReadWave(output.string()).Frames(), 4u * 5512);
}

TEST(UpgradeCommand, SavesAnOldProjectInTheCurrentVersion)
{
    const fs::path old = Scratch("old.vmp");
    const fs::path upgraded = Scratch("upgraded.vmp");
    const fs::path log = Scratch("upgrade.log");
    WriteFile(old, MasterProject(3, 5));
    ASSERT_EQ(RunStudio("--upgrade '" + old.string() + "' '" + upgraded.string() + "'", log), 0) << ReadText(log);
    // Version 3 had no ticks per beat: 16 was meant, and is now written.
    std::vector<uint8_t> expected = MasterProject(4, 5);
    for (int i = 0; i < 4; ++i)
        expected[10 + static_cast<size_t>(i)] = ProjectBytes().F32(16.0f).bytes[static_cast<size_t>(i)];
    std::ifstream in(upgraded, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), expected);

    const fs::path strange = Scratch("strange-old.vmp");
    WriteFile(strange, MasterProject(4, 1, true));
    EXPECT_EQ(RunStudio("--upgrade '" + strange.string() + "' '" + upgraded.string() + "'", log), 2);
    std::ifstream again(upgraded, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
              MasterProject(4, 1));
}

TEST(RenderCommand, NotesOfAMachineLibraryStartAtTheExactFramesOfTheTickClock)
{
    // The program as installed: its "PlugIns" folder holds the test library.
    TempFolder program;
    const std::string bin = program.MakeFolder("bin");
    program.MakeFolder("bin/PlugIns");
    fs::copy_file(std::string(VELMORA_BIN_DIR) + "/velmora-studio", bin + "/velmora-studio");
    fs::copy_file(std::string(VELMORA_TEST_DIR) + "/PlugIns/VelmTestMachines.so", bin + "/PlugIns/VelmTestMachines.so");

    // "Riff" at unit 0, "Long" at unit 1, a song of 3 units.
    const std::vector<uint8_t> steps = StepsProject(3, 0, 1);
    const fs::path project = Scratch("steps.vmp");
    const fs::path output = Scratch("steps.wav");
    const fs::path log = Scratch("steps.log");
    WriteFile(project, steps);
    fs::remove(output);
    // Blocks of 1000 frames: notes and their ends fall anywhere in a block.
    ASSERT_EQ(RunProgram(bin + "/velmora-studio", "--render '" + project.string() + "' '" + output.string() + "' --block 1000", log), 0)
        << ReadText(log);

    WaveFile wave = ReadWave(output.string());
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.format, 3);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.bits, 32);
    EXPECT_EQ(wave.sampleRate, 44100u);
    ASSERT_EQ(wave.Frames(), 12u * 5512);
    struct Note {
        size_t start;
        size_t length;
        int pitch;
    };
    const Note notes[] = {{0, 5512, 60}, {2 * 5512, 5512, 64}, {7 * 5512, 2 * 5512, 48}};
    size_t wrong = 0;
    size_t firstWrong = 0;
    for (size_t frame = 0; frame < wave.Frames(); ++frame) {
        float expected = 0.0f;
        for (const Note& note : notes) {
            if (frame >= note.start && frame < note.start + note.length)
                expected += static_cast<float>((note.pitch + 1) / 256.0);
        }
        if (wave.At(frame, 0) != expected || wave.At(frame, 1) != expected) {
            if (wrong++ == 0)
                firstWrong = frame;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong frame " << firstWrong;
}
