// `velmora-studio --list-machines`, run as users run it: a program folder
// with its scanner and "PlugIns", plug-ins beside it and in the system's
// folders.
#include "app/MachineList.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

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
    ASSERT_GE(cold.lines.size(), 13u);
    // Built-in types, the machine library's, then the plug-ins beside the
    // program (the default plug-in paths of a user without options).
    const std::vector<std::string> builtIn{
        "Master\tMaster",
        "ZT Arpeggiator\tVelmPlug::ZT Arpeggiator",
        "ZT ControlChange Mapper\tVelmPlug::ZT ControlChange Mapper",
        "ZT HD Recorder Track (Mono)\tVelmPlug::ZT HD Recorder Track (Mono)",
        "ZT HD Recorder Track (Stereo)\tVelmPlug::ZT HD Recorder Track (Stereo)",
        "ZT MIDI Input\tVelmPlug::ZT MIDI Input",
        "ZT MIDI Output\tVelmPlug::ZT MIDI Output"};
    EXPECT_EQ(std::vector<std::string>(cold.lines.begin(), cold.lines.begin() + 7), builtIn);
    EXPECT_EQ(cold.lines[7], "ZT Test Gain\tVelmPlug::ZT Test Gain");
    EXPECT_EQ(cold.lines[8], "ZT Test Tone\tVelmPlug::ZT Test Tone-Sine");
    EXPECT_EQ(cold.lines[9], "ZT Test Steps\tVelmPlug::ZT Test Steps");
    EXPECT_EQ(cold.lines[10], "velm-gain\tVST::\\x04\\x03\\x02\\x01");
    EXPECT_EQ(cold.lines[11], "velm-main-only\tVST::\\x01");

    // The packages' plug-ins, from the system's folders in their order.
    const size_t amsynth = IndexOf(cold.lines, "amsynth_vst\tVST::\\x09\\x03\\x0d\\x01");
    const size_t compressor = IndexOf(cold.lines, "compressor-stereo\tVST::\\x03\\x03\\x0e\\x05");
    const size_t hall = IndexOf(cold.lines, "DragonflyHallReverb-vst\tVST::\\x01\\x02\\x06\\x04");
    ASSERT_NE(amsynth, std::string::npos);
    ASSERT_NE(compressor, std::string::npos);
    ASSERT_NE(hall, std::string::npos);
    EXPECT_LT(11u, amsynth);
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
