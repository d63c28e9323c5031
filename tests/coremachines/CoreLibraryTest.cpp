// The built library as the studio uses it: loaded from the program's
// "PlugIns" folder, its one entry called with a studio host, its machines
// created, played and released through the descriptors.
#include "Measure.h"
#include "MachineDriver.h"
#include "framework/CMachineInfo.h"
#include "framework/MachineLibrary.h"
#include "platform/OsLibrary.h"
#include "studio/CVelmHost.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

const std::string kLibrary = std::string(VELMORA_BIN_DIR) + "/PlugIns/ZT-CoreMachines.so";

const std::vector<std::pair<std::string, std::string>> kTypes = {
    {"ZT ViziRavez", "VelmPlug::ZT ViziRavez"},
    {"ZT DudeRivi", "VelmPlug::ZT DudeRivi"},
    {"ZT DudeRivi (Polyphonic)", "VelmPlug::ZT DudeRivi (Polyphonic)"},
    {"ZT Vorize", "VelmPlug::ZT Vorize"},
    {"ZT Distort", "VelmPlug::ZT Distort"},
    {"ZT DUzoV8", "VelmPlug::ZT DUzoV8"},
    {"ZT ZezaRazad", "VelmPlug::ZT ZezaRazad"},
    {"ZT Virir", "VelmPlug::ZT Virir"},
    {"ZT Mixer", "VelmPlug::ZT Mixer-Stereo-8-2"},
    {"ZT DizodirEzav", "VelmPlug::ZT DizodirEzav"},
    {"ZT StereoJoiner", "VelmPlug::ZT StereoJoiner"},
    {"ZT StereoSplitter", "VelmPlug::ZT StereoSplitter"},
};

// The library is initialised once per process, as the studio does.
class CoreLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        host = &hostStorage.emplace(kTestRate, kTestBlock, TestHost().GetCPUFlags());
        library = platform::LoadLibrary(kLibrary.c_str());
        ASSERT_NE(library, nullptr) << platform::LastLibraryError();
        auto init = reinterpret_cast<VelmPlugInitFunction>(platform::GetSymbol(library, kMachineLibraryExport));
        ASSERT_NE(init, nullptr);
        init(library, host);
    }
    static void TearDownTestSuite()
    {
        // Types go with the host; the library stays loaded, as in the studio.
        hostStorage.reset();
        host = nullptr;
    }

    static std::optional<CVelmHost> hostStorage;
    static CVelmHost* host;
    static platform::LibraryHandle library;
};

std::optional<CVelmHost> CoreLibraryTest::hostStorage;

CVelmHost* CoreLibraryTest::host = nullptr;
platform::LibraryHandle CoreLibraryTest::library = nullptr;

TEST_F(CoreLibraryTest, ExportsOnlyItsEntry)
{
    EXPECT_NE(platform::GetSymbol(library, "VelmPlugInit"), nullptr);
    // Nothing of the framework or the machines is visible.
    for (const char* hidden : {"_ZN10CDudeRivi7ProcessEv", "_ZN8CMachineC2EP5CHost", "_ZN5CEchoC1EP5CHostPK11CWaveTables",
                               "velmoraModuleResources"})
        EXPECT_EQ(platform::GetSymbol(library, hidden), nullptr) << hidden;
}

TEST_F(CoreLibraryTest, RegistersItsTypesInTheLibrarysOrder)
{
    ASSERT_EQ(host->GetMachineTypeCount(), static_cast<int32_t>(kTypes.size()));
    for (size_t i = 0; i < kTypes.size(); ++i) {
        CMachineInfo* info = host->GetMachineType(static_cast<int32_t>(i));
        EXPECT_EQ(info->name, kTypes[i].first);
        EXPECT_EQ(info->identifier, kTypes[i].second);
    }
}

TEST_F(CoreLibraryTest, MachinesPlayAndAreReleasedByTheLibrary)
{
    for (const auto& [name, identifier] : kTypes) {
        CMachineInfo* type = nullptr;
        CMachine* machine = host->CreateMachineByName(name.c_str(), &type);
        ASSERT_NE(machine, nullptr) << name;
        machine->SetSampleRate(kTestRate);
        machine->SetBlockSize(kTestBlock);
        machine->ResizeBuffers(kTestBlock);
        machine->Release();
    }
    // A polyphonic DudeRivi from the library plays in tune: its step table
    // and tables came from the library's own context.
    CMachine* dude = host->CreateMachineByName("ZT DudeRivi (Polyphonic)", nullptr);
    ASSERT_NE(dude, nullptr);
    dude->SetParameter(14, 0.0); // saw
    dude->SetParameter(37, 0.0); // VCO1 only
    dude->SetParameter(25, 1.0); // VCF1 open
    dude->SetParameter(28, 0.0);
    dude->SetParameter(30, 1.0); // VCF2 open
    dude->SetParameter(33, 0.0);
    const auto out = CMachineDriver(dude, 0, -1, 1).Run(kTestRate, {NoteOn(0, 69), NoteOn(0, 64)});
    dude->Release();
    const std::vector<double> steady(out.left.begin() + 4410, out.left.end());
    // Two notes a fourth apart: the strongest partial is one of them.
    const double peak = measure::PeakFrequency(std::vector<double>(steady.begin(), steady.begin() + (1 << 15)),
                                               kTestRate);
    EXPECT_TRUE(std::abs(peak - 440.0) < 1.0 || std::abs(peak - 329.63) < 1.0) << peak;
}

TEST(CoreLibraryProgramTest, ListMachinesShowsTheLibrarysTypesAfterTheBuiltInOnes)
{
    TempFolder temp;
    const std::string command = "env -u VST_PATH HOME=" + temp.MakeFolder("home") + " XDG_CONFIG_HOME=" +
                                temp / "config" + " " + VELMORA_BIN_DIR + "/velmora-studio --list-machines 2>/dev/null";
    const ProgramRun run = RunProgram(command);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    ASSERT_GT(run.lines.size(), kTypes.size());
    EXPECT_EQ(run.lines[0], "Master\tMaster");
    // The master and the six utility machines come first, then the library.
    constexpr size_t kBuiltIn = 7;
    ASSERT_GE(run.lines.size(), kBuiltIn + kTypes.size());
    EXPECT_EQ(run.lines[kBuiltIn - 1], "ZT MIDI Output\tVelmPlug::ZT MIDI Output");
    for (size_t i = 0; i < kTypes.size(); ++i)
        EXPECT_EQ(run.lines[kBuiltIn + i], kTypes[i].first + "\t" + kTypes[i].second);
}

} // namespace
