// `velmora-studio --list-machines`, run as users run it: a program folder
// with its scanner and "PlugIns", plug-ins beside it and in the system's
// folders.
#include "app/MachineList.h"
#include "support/TempFolder.h"
#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
    int status = -1;
    std::vector<std::string> lines;
};

ProgramRun RunProgram(const std::string& command)
{
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    std::string line;
    while (fgets(buffer.data(), buffer.size(), pipe)) {
        line += buffer.data();
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            run.lines.push_back(line);
            line.clear();
        }
    }
    run.status = pclose(pipe);
    return run;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == line)
            return i;
    }
    return std::string::npos;
}

TEST(ListMachinesTest, PrintsEveryTypeInRegistrationOrder)
{
    TempFolder temp;
    const std::string bin = temp.MakeFolder("studio/bin");
    temp.MakeFolder("studio/bin/PlugIns");
    temp.MakeFolder("studio/x64/VST/more");
    temp.MakeFolder("home");
    const std::string built = VELMORA_BIN_DIR;
    for (const char* program : {"velmora-studio", "velmora-vstscan"})
        fs::copy_file(built + "/" + program, bin + "/" + program);
    fs::copy_file(std::string(VELMORA_TEST_DIR) + "/PlugIns/VelmTestMachines.so", bin + "/PlugIns/VelmTestMachines.so");
    const std::string tests = std::string(VELMORA_TEST_DIR) + "/vst/";
    fs::copy_file(tests + "good/velm-gain.so", temp / "studio/x64/VST/velm-gain.so");
    fs::copy_file(tests + "good/velm-main-only.so", temp / "studio/x64/VST/more/velm-main-only.so");
    fs::copy_file(tests + "bad/velm-crash.so", temp / "studio/x64/VST/velm-crash.so");

    const std::string command = "env -u VST_PATH HOME=" + temp / "home" + " XDG_CONFIG_HOME=" + temp / "config" + " " +
                                bin + "/velmora-studio --list-machines 2>" + temp / "errors.txt";
    const ProgramRun cold = RunProgram(command);
    ASSERT_TRUE(WIFEXITED(cold.status));
    EXPECT_EQ(WEXITSTATUS(cold.status), 0);
    ASSERT_GE(cold.lines.size(), 7u);
    // Built-in types, the machine library's, then the plug-ins beside the
    // program (the default plug-in paths of a user without options).
    EXPECT_EQ(cold.lines[0], "Master\tMaster");
    EXPECT_EQ(cold.lines[1], "ZT Test Gain\tVelmPlug::ZT Test Gain");
    EXPECT_EQ(cold.lines[2], "ZT Test Tone\tVelmPlug::ZT Test Tone-Sine");
    EXPECT_EQ(cold.lines[3], "ZT Test Steps\tVelmPlug::ZT Test Steps");
    EXPECT_EQ(cold.lines[4], "velm-gain\tVST::\\x04\\x03\\x02\\x01");
    EXPECT_EQ(cold.lines[5], "velm-main-only\tVST::\\x01");

    // The packages' plug-ins, from the system's folders in their order.
    const size_t amsynth = IndexOf(cold.lines, "amsynth_vst\tVST::\\x09\\x03\\x0d\\x01");
    const size_t compressor = IndexOf(cold.lines, "compressor-stereo\tVST::\\x03\\x03\\x0e\\x05");
    const size_t hall = IndexOf(cold.lines, "DragonflyHallReverb-vst\tVST::\\x01\\x02\\x06\\x04");
    ASSERT_NE(amsynth, std::string::npos);
    ASSERT_NE(compressor, std::string::npos);
    ASSERT_NE(hall, std::string::npos);
    EXPECT_LT(5u, amsynth);
    EXPECT_LT(amsynth, compressor);
    EXPECT_LT(compressor, hall);

    // The crashing plug-in was named on standard error; the list is the
    // same with the scan cache the first run left.
    std::string errors;
    {
        std::FILE* file = std::fopen((temp / "errors.txt").c_str(), "r");
        ASSERT_NE(file, nullptr);
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, file))
            errors.append(buffer, n);
        std::fclose(file);
    }
    EXPECT_NE(errors.find("VST PlugIn " + temp / "studio/x64/VST/velm-crash.so" + " Crashed While Being Scanned"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(temp / "config/Velmora Studio/VSTScanCache.txt"));
    const ProgramRun warm = RunProgram(command);
    EXPECT_EQ(warm.lines, cold.lines);
}

TEST(ListMachinesTest, UnprintableIdentifierCodesAreEscaped)
{
    EXPECT_EQ(PrintableIdentifier("VST::\x04\x03\x02\x01"), "VST::\\x04\\x03\\x02\\x01");
    EXPECT_EQ(PrintableIdentifier("VelmPlug::ZT Mixer-Stereo-8-2"), "VelmPlug::ZT Mixer-Stereo-8-2");
    EXPECT_EQ(PrintableIdentifier("a\\b\x7f\xc3"), "a\\x5cb\\x7f\\xc3");
}

} // namespace
