// --bank-info and --sample-info of the real program on real files.
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {
std::string Program()
{
    return std::string(VELMORA_BIN_DIR) + "/velmora-studio";
}
} // namespace

TEST(ReaderCommandsTest, BankInfoPrintsWhatTheBankHolds)
{
    const char* bank = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    ProgramRun reading = RunProgram(std::string("python3 '") + VELMORA_SOURCE_DIR +
                                    "/tests/app/readers/sf2_walk.py' " + bank);
    ASSERT_EQ(reading.status, 0);
    // The independent reading, in the command's own words.
    std::vector<std::string> expected;
    std::vector<std::string> presets;
    for (const std::string& line : reading.lines) {
        std::string kind = line.substr(0, line.find('\t'));
        std::string rest = line.substr(line.find('\t') + 1);
        if (kind == "bank")
            expected.push_back("Bank: " + rest);
        else if (kind == "info")
            expected.push_back(rest.substr(0, rest.find('\t')) + ": " + rest.substr(rest.find('\t') + 1));
        else if (kind == "preset")
            presets.push_back(rest);
    }
    expected.push_back("Presets: " + std::to_string(presets.size()));
    expected.insert(expected.end(), presets.begin(), presets.end());

    ProgramRun run = RunProgram(Program() + " --bank-info " + bank);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.lines, expected);

    TempFolder folder;
    std::string broken = folder.WriteFile("broken.sf2", std::string("RIFF\x04\0\0\0sfbk", 12));
    ProgramRun failed = RunProgram(Program() + " --bank-info " + broken + " 2>&1");
    EXPECT_EQ(WEXITSTATUS(failed.status), 1);
    ASSERT_EQ(failed.lines.size(), 1u);
    EXPECT_EQ(failed.lines[0], "Velmora: Error 0x8 Occured While Loading '" + broken + "'");
}

TEST(ReaderCommandsTest, SampleInfoReportsSamplesOrTheReadersMessage)
{
    TempFolder folder;
    std::string mono = folder / "mono.wav";
    std::string stereo = folder / "stereo.wav";
    ASSERT_EQ(std::system(("sox -n -r 22050 -c 1 -b 16 " + mono + " synth 0.1 sine 300 vol 0.5").c_str()), 0);
    ASSERT_EQ(std::system(("sox -n -r 22050 -c 2 -b 16 " + stereo + " synth 0.1 sine 300 vol 0.5").c_str()), 0);
    ProgramRun run = RunProgram(Program() + " --sample-info " + mono);
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    ASSERT_EQ(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[0], "Samples: 2205");
    EXPECT_EQ(run.lines[1], "Sample Rate: 22050");
    EXPECT_NEAR(std::stod(run.lines[2].substr(6)), 0.5, 0.01);
    EXPECT_NEAR(std::stod(run.lines[3].substr(5)), 0.5 / std::sqrt(2.0), 0.01);

    ProgramRun refused = RunProgram(Program() + " --sample-info " + stereo + " 2>&1");
    EXPECT_EQ(WEXITSTATUS(refused.status), 1);
    ASSERT_EQ(refused.lines.size(), 1u);
    EXPECT_EQ(refused.lines[0], "Velmora: Only Mono WAV Files Supported, <" + stereo + "> Has 2 Channels");
}
