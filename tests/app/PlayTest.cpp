// velmora-studio --play: the program as installed plays a project in real
// time through "Wave Out" into an ALSA capture device and through the JACK
// driver into a JACK client of the test; the notes sound at the frames of
// the tick clock.
#include "audio/CStudioOptions.h"
#include "support/JackTestServer.h"
#include "support/ProjectBytes.h"
#include "support/TempFolder.h"
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
extern char** environ;

namespace {

constexpr int64_t kTick = 5512; // 120 BPM, 4 ticks per beat, 44100 Hz
constexpr int64_t kSongFrames = 16 * kTick;

struct Note {
    int64_t start;
    int64_t length;
    int pitch;
};
// "Riff" at unit 1 (pitch 60 at tick 4, 64 at tick 6), "Long" at unit 2
// (48 from its tick 3 for two ticks); the first half second is silent.
const Note kNotes[] = {{4 * kTick, kTick, 60}, {6 * kTick, kTick, 64}, {11 * kTick, 2 * kTick, 48}};

// What the step machine plays at a frame of the song.
double Expected(int64_t frame)
{
    double level = 0.0;
    for (const Note& note : kNotes) {
        if (frame >= note.start && frame < note.start + note.length)
            level += (note.pitch + 1) / 256.0;
    }
    return level;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The program as installed (its "PlugIns" with the test machine library,
// the driver registry and the JACK driver beside it), a user of its own
// whose options list no VST folders, the test's ALSA devices, a project.
class PlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string bin = root.MakeFolder("bin");
        root.MakeFolder("bin/PlugIns");
        for (const char* file : {"velmora-studio", "AsioDrivers.reg", "velmora-jack-asio.so"})
            fs::copy_file(std::string(VELMORA_BIN_DIR) + "/" + file, bin + "/" + file);
        fs::copy_file(std::string(VELMORA_TEST_DIR) + "/PlugIns/VelmTestMachines.so",
                      bin + "/PlugIns/VelmTestMachines.so");
        root.MakeFolder("config/Velmora Studio");
        CStudioOptions options;
        options.pluginPaths.clear();
        optionsFile = root / "config/Velmora Studio/Velmora.opt";
        options.WriteTo(optionsFile);
        project = root / "steps.vmp";
        const std::vector<uint8_t> bytes = StepsProject(4, 1, 2);
        std::ofstream(project, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       static_cast<std::streamsize>(bytes.size()));
        capture = root / "capture.raw";
    }

    // Starts `velmora-studio --play` with the arguments.
    pid_t Start(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> argv = {"--play"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return StartProgram(argv);
    }

    // Starts the program with the arguments, under the wrapper command when
    // one is given; its output goes to files.
    pid_t StartProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& wrapper = {})
    {
        std::vector<std::string> environment = {
            "HOME=" + root.Path(), "XDG_CONFIG_HOME=" + (root / "config"),
            "ALSA_CONFIG_PATH=" VELMORA_SOURCE_DIR "/tests/audio/TestDevices.conf", "VELMORA_TEST_PCM_FILE=" + capture,
            "JACK_NO_START_SERVER=1", "PATH=/usr/bin:/bin"};
        if (const char* server = std::getenv("JACK_DEFAULT_SERVER"))
            environment.push_back(std::string("JACK_DEFAULT_SERVER=") + server);
        std::vector<std::string> argv = wrapper;
        argv.push_back(root / "bin/velmora-studio");
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> args, env;
        for (std::string& text : argv)
            args.push_back(text.data());
        args.push_back(nullptr);
        for (std::string& text : environment)
            env.push_back(text.data());
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (root / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (root / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static int Wait(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Run(const std::vector<std::string>& arguments) { return Wait(Start(arguments)); }
    std::string Out() const { return ReadText(root / "out.txt"); }
    std::string Err() const { return ReadText(root / "err.txt"); }

    TempFolder root;
    std::string optionsFile;
    std::string project;
    std::string capture;
};

} // namespace

TEST_F(PlayTest, WaveOutPlaysTheSongInRealTimeWithTheNotesAtTheirFrames)
{
    const auto optionsBefore = fs::last_write_time(optionsFile);
    const std::string stored = ReadText(optionsFile);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({project, "--driver", "Wave Out", "--device", "velmora_test"}), 0) << Err();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NE(Out().find("Playing '" + project + "': Wave Out, device 'velmora_test', 44100 Hz, 8192 frames per block"),
              std::string::npos)
        << Out();
    // Two seconds of song, in real time.
    EXPECT_GE(elapsed, 1.8);
    // Nothing was stored.
    EXPECT_EQ(fs::last_write_time(optionsFile), optionsBefore);
    EXPECT_EQ(ReadText(optionsFile), stored);

    // 16-bit stereo from the first frame of the song on.
    std::ifstream file(capture, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), static_cast<size_t>(kSongFrames) * 4);
    int64_t wrong = 0, firstWrong = -1;
    for (int64_t frame = 0; frame < kSongFrames; ++frame) {
        const auto expected = static_cast<int16_t>(Expected(frame) * 32767);
        int16_t sample[2];
        std::memcpy(sample, bytes.data() + frame * 4, 4);
        if (sample[0] != expected || sample[1] != expected) {
            if (wrong++ == 0)
                firstWrong = frame;
        }
    }
    EXPECT_EQ(wrong, 0) << "first wrong frame " << firstWrong;
}

TEST_F(PlayTest, TheJackDriverPlaysTheNotesIntoAnotherClientAtTheirDistances)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    CJackCapture captured(2, 8.0, 44100);
    ASSERT_TRUE(captured.Ok());
    const pid_t pid = Start({project, "--driver", "ASIO", "--device", "JACK"});
    // Listen as soon as the program's ports are there (the song is silent
    // for its first half second).
    int connected = 0;
    for (int waited = 0; waited < 5000 && connected < 2; waited += 2) {
        connected = captured.ConnectFrom("^Velmora Studio.*:out_");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const int status = Wait(pid);
    ASSERT_EQ(connected, 2) << Err();
    ASSERT_EQ(status, 0) << Err();
    EXPECT_NE(Out().find("ASIO, device 'JACK', 44100 Hz, 256 frames per block"), std::string::npos) << Out();

    // Aligned on the start of pitch 64 (the capture may have begun late,
    // inside the first note), every frame from there on is the song's.
    const std::vector<float>& left = captured.Channel(0);
    const std::vector<float>& right = captured.Channel(1);
    const float step64 = 65.0f / 256.0f;
    size_t onset = 1;
    while (onset < captured.Frames() && !(left[onset] == step64 && left[onset - 1] == 0.0f))
        ++onset;
    const int64_t from = kNotes[1].start;
    ASSERT_GE(captured.Frames(), onset + static_cast<size_t>(kSongFrames - from));
    EXPECT_NE(std::find(left.begin(), left.begin() + static_cast<long>(onset), 61.0f / 256.0f),
              left.begin() + static_cast<long>(onset))
        << "pitch 60 was not heard";
    int64_t wrong = 0, firstWrong = -1;
    for (int64_t k = 0; k < kSongFrames - from; ++k) {
        const double expected = Expected(from + k);
        const size_t at = onset + static_cast<size_t>(k);
        if (std::fabs(left[at] - expected) > 1e-6 || std::fabs(right[at] - expected) > 1e-6) {
            if (wrong++ == 0)
                firstWrong = k;
        }
    }
    EXPECT_EQ(wrong, 0) << "first wrong frame " << firstWrong << " after pitch 64 began";
}

TEST_F(PlayTest, StopsAfterTheGivenSecondsOrOnCtrlC)
{
    ASSERT_EQ(Run({project, "--driver", "Null", "--seconds", "0.5"}), 0) << Err();
    // The program's own count from the start of the output (the start-up
    // before it may take long on a loaded machine): well before the end of
    // the two-second song.
    const size_t stopped = Out().find("Stopped after ");
    ASSERT_NE(stopped, std::string::npos) << Out();
    const double played = std::stod(Out().substr(stopped + std::strlen("Stopped after ")));
    EXPECT_GE(played, 0.5);
    EXPECT_LT(played, 1.5);
    EXPECT_NE(Out().find("Null, device 'Null', 44100 Hz, 512 frames per block"), std::string::npos) << Out();

    const pid_t pid = Start({project, "--driver", "Null", "--seconds", "60"});
    for (int waited = 0; waited < 5000 && Out().find("Playing") == std::string::npos; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    EXPECT_EQ(Wait(pid), 0) << Err();
    EXPECT_NE(Out().find("(interrupted)"), std::string::npos) << Out();
}

// Started without arguments, the program plays the demo song shipped beside
// it through the stored output: here the first listed device (the capture),
// as a fresh installation chooses "Wave Out" when devices are listed.
TEST_F(PlayTest, StartedWithoutArgumentsItPlaysTheBundledDemoSong)
{
    root.MakeFolder("bin/Songs");
    fs::copy_file(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp", root / "bin/Songs/Demo.vmp");
    fs::copy_file(std::string(VELMORA_BIN_DIR) + "/PlugIns/ZT-CoreMachines.so", root / "bin/PlugIns/ZT-CoreMachines.so");
    fs::remove(optionsFile); // a fresh installation

    const pid_t pid = StartProgram({});
    // The chords of the first bar are heard within the first second.
    constexpr uintmax_t kSecond = 44100 * 4;
    for (int waited = 0; waited < 10000 && !(fs::exists(capture) && fs::file_size(capture) >= kSecond); waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    ASSERT_EQ(Wait(pid), 0) << Err();
    EXPECT_NE(Out().find("Songs/Demo.vmp': Wave Out, device 'velmora_test', 44100 Hz"), std::string::npos) << Out();
    EXPECT_NE(Out().find("(interrupted)"), std::string::npos) << Out();

    std::ifstream in(capture, std::ios::binary);
    std::vector<int16_t> samples(kSecond / 2);
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(kSecond));
    ASSERT_EQ(static_cast<uintmax_t>(in.gcount()), kSecond);
    int loudest = 0;
    for (int16_t sample : samples)
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    EXPECT_GT(loudest, 1000);
    EXPECT_FALSE(fs::exists(optionsFile)); // nothing stored that was not asked for
}

TEST_F(PlayTest, RefusesWhatItCannotPlayWithAReason)
{
    EXPECT_EQ(Run({project, "--driver", "Loud"}), 1);
    EXPECT_NE(Err().find("Unknown Driver 'Loud'"), std::string::npos) << Err();
    EXPECT_EQ(Run({project, "--driver", "Wave Out", "--device", "nowhere"}), 1);
    EXPECT_NE(Err().find("Unknown Device 'nowhere' For \"Wave Out\"; There Are 'velmora_test', 'velmora_mono', "
                         "'velmora_gone'"),
              std::string::npos)
        << Err();
    EXPECT_EQ(Run({root / "missing.vmp", "--driver", "Null"}), 1);
    EXPECT_FALSE(Err().empty());
    EXPECT_EQ(Run({}), 1);
    EXPECT_NE(Err().find("Usage: velmora-studio --play"), std::string::npos) << Err();
    // "ASIO" with no JACK server: the driver says why, and nothing plays.
    EXPECT_EQ(Run({project, "--driver", "ASIO", "--seconds", "5"}), 1);
    EXPECT_NE(Err().find("ASIO: Driver <JACK> Not Started"), std::string::npos) << Err();
    EXPECT_NE(Err().find("The Output Did Not Start"), std::string::npos) << Err();
}

namespace {

class PlayServerGoneTest : public PlayTest, public ::testing::WithParamInterface<int> {};

} // namespace

// The server ends while the program plays into it: the program ends at
// once with status 1 and the reason, not at the end of its seconds.
TEST_P(PlayServerGoneTest, PlayEndsAtOnceWithStatusOneAndTheReason)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    const pid_t pid = Start({project, "--driver", "ASIO", "--device", "JACK", "--seconds", "30"});
    {
        // Playing once its ports are there.
        CJackCapture captured(2, 1.0, 44100);
        int connected = 0;
        for (int waited = 0; waited < 10000 && connected < 2; waited += 5) {
            connected = captured.ConnectFrom("^Velmora Studio.*:out_");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_EQ(connected, 2) << Err();
    }
    const auto killed = std::chrono::steady_clock::now();
    server.Stop(GetParam());
    const int status = Wait(pid);
    const double after = std::chrono::duration<double>(std::chrono::steady_clock::now() - killed).count();
    EXPECT_EQ(status, 1) << Out() << Err();
    // The driver stops within a second; the rest is the program's own exit.
    EXPECT_LT(after, 3.0);
    EXPECT_NE(Err().find("JACK Server Stopped"), std::string::npos) << Err();
    EXPECT_NE(Out().find("Stopped after "), std::string::npos) << Out();
    EXPECT_NE(Out().find(" xrun"), std::string::npos) << Out();
}

INSTANTIATE_TEST_SUITE_P(Signals, PlayServerGoneTest, ::testing::Values(SIGKILL, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGKILL ? std::string("Killed") : std::string("Terminated");
                         });

TEST_F(PlayTest, TheClosingLineCountsXrunsAndRefusedRealTimeIsSaidOnceButPlays)
{
    ASSERT_EQ(Run({project, "--driver", "Null", "--seconds", "0.5"}), 0) << Err();
    EXPECT_NE(Out().find(", 0 xruns\n"), std::string::npos) << Out();
    EXPECT_EQ(Err().find("Real-Time"), std::string::npos) << Err();

    // Without the privilege and with no real-time limit, the system refuses.
    const pid_t pid = StartProgram({"--play", project, "--driver", "Null", "--seconds", "0.5"},
                                   {"/usr/bin/setpriv", "--bounding-set=-sys_nice", "--inh-caps=-sys_nice",
                                    "/usr/bin/prlimit", "--rtprio=0"});
    ASSERT_EQ(Wait(pid), 0) << Err();
    const std::string err = Err();
    const std::string refused = "Real-Time Scheduling Refused: Playing At Normal Priority\n";
    ASSERT_NE(err.find(refused), std::string::npos) << err;
    EXPECT_EQ(err.find(refused, err.find(refused) + 1), std::string::npos) << err;
    EXPECT_NE(Out().find("Stopped after "), std::string::npos) << Out();
}

TEST_F(PlayTest, HelpVersionAndUnknownCommands)
{
    ASSERT_EQ(Wait(StartProgram({"--help"})), 0) << Err();
    for (const char* command : {"--play", "--render", "--upgrade", "--list-machines", "--help", "--version"})
        EXPECT_NE(Out().find(std::string("  ") + command), std::string::npos) << command << "\n" << Out();
    EXPECT_TRUE(Err().empty()) << Err();

    ASSERT_EQ(Wait(StartProgram({"--version"})), 0) << Err();
    EXPECT_EQ(Out(), "Velmora Studio 0.1\n");

    EXPECT_EQ(Wait(StartProgram({"--louder"})), 1);
    EXPECT_TRUE(Out().empty()) << Out();
    EXPECT_NE(Err().find("Unknown Command '--louder'"), std::string::npos) << Err();
    EXPECT_NE(Err().find("Usage: velmora-studio [PROJECT.vmp | COMMAND]"), std::string::npos) << Err();
}
