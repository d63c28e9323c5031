// The reset tool as a user meets it: the real program under Xvfb, its
// question answered with real key presses through xdotool.
#include "audio/CStudioOptions.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

const std::string kTool = std::string(VELMORA_BIN_DIR) + "/velmora-prefsreset";

std::vector<char> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Answered {
    int exitStatus = -1;
    std::string title;
};

// Starts the tool on its own X server, waits for its window, remembers its
// title and presses `key` in it; then waits for the tool's end.
Answered RunAndAnswer(const std::string& config, const std::string& key)
{
    const std::string script = config + "/answer.sh";
    std::ofstream(script) << "export XDG_CONFIG_HOME='" << config << "' QT_QPA_PLATFORM=xcb\n"
                          << "'" << kTool << "' & pid=$!\n"
                          << "w=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velmora Studio$' | head -1)\n"
                          << "echo \"title=$(xdotool getwindowname $w)\"\n"
                          << "xdotool windowfocus --sync $w\n"
                          << "xdotool key " << key << "\n"
                          << "wait $pid; echo \"status=$?\"\n";
    ProgramRun run = RunProgram("xvfb-run -a -s '-screen 0 800x600x24' sh '" + script + "' 2>/dev/null");
    Answered answered;
    for (const std::string& line : run.lines) {
        if (line.rfind("title=", 0) == 0)
            answered.title = line.substr(6);
        if (line.rfind("status=", 0) == 0)
            answered.exitStatus = std::stoi(line.substr(7));
    }
    return answered;
}

class PrefsResetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config = folder.Path() + "/config";
        optionsFile = config + "/Velmora Studio/Velmora.opt";
    }

    // A real options file as the studio writes it, not the defaults.
    void WriteOptions()
    {
        std::filesystem::create_directories(config + "/Velmora Studio");
        CStudioOptions options;
        options.outputDriver = 0;
        options.nullBufferSize = 4096;
        options.pluginPaths = {"/somewhere/vst"};
        ASSERT_TRUE(options.WriteTo(optionsFile));
    }

    TempFolder folder;
    std::string config;
    std::string optionsFile;
};

} // namespace

TEST_F(PrefsResetTest, WithoutAnOptionsFileTheToolEndsAtOnceWithoutAWindow)
{
    std::filesystem::create_directories(config + "/Velmora Studio");
    // No display at all: a tool that tried to open a window would fail.
    ProgramRun run = RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + config +
                                "' QT_QPA_PLATFORM=xcb '" + kTool + "' 2>&1");
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_TRUE(run.lines.empty()) << run.lines.front();
    EXPECT_TRUE(std::filesystem::exists(config + "/Velmora Studio"));

    // A folder where the file should be is not an options file either.
    std::filesystem::create_directories(optionsFile);
    run = RunProgram("env -u DISPLAY XDG_CONFIG_HOME='" + config + "' QT_QPA_PLATFORM=xcb '" + kTool + "' 2>&1");
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_TRUE(std::filesystem::is_directory(optionsFile));
}

TEST_F(PrefsResetTest, CancelLeavesTheFileByteForByteAndOkDeletesOnlyTheFile)
{
    WriteOptions();
    const std::vector<char> before = Bytes(optionsFile);
    ASSERT_FALSE(before.empty());
    std::ofstream(config + "/Velmora Studio/VSTScanCache.txt") << "kept\n";

    Answered cancelled = RunAndAnswer(config, "Escape");
    EXPECT_EQ(cancelled.title, "Velmora Studio");
    EXPECT_EQ(cancelled.exitStatus, 1);
    EXPECT_EQ(Bytes(optionsFile), before);

    Answered confirmed = RunAndAnswer(config, "Return");
    EXPECT_EQ(confirmed.title, "Velmora Studio");
    EXPECT_EQ(confirmed.exitStatus, 0);
    EXPECT_FALSE(std::filesystem::exists(optionsFile));
    EXPECT_TRUE(std::filesystem::is_directory(config + "/Velmora Studio"));
    EXPECT_TRUE(std::filesystem::exists(config + "/Velmora Studio/VSTScanCache.txt"));

    // What the studio reads next: the defaults.
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    CStudioOptions next;
    next.Read();
    CStudioOptions defaults;
    EXPECT_EQ(next, defaults);
    EXPECT_EQ(next.outputDriver, -1);
}
