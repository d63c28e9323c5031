// Plug-ins whose identifiers collide keep their identity through a project
// file: the in-tree twins (one shared identifier, one empty) and the
// Debian plug-ins that collide.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "framework/CMachine.h"
#include "framework/Errors.h"
#include "studio/CMachineContainer.h"
#include "studio/CProjectFile.h"
#include "studio/VSTScanRecord.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> shown;

void NoteShown(const char*, const char* text)
{
    shown.emplace_back(text);
}

CStudioSession::TypeRegistration Register(std::vector<std::string> paths)
{
    return [paths](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        for (const std::string& path : paths) {
            VSTScanRecord record;
            if (CVSTAdapterInfo* type = CVSTAdapterInfo::Probe(&host, path, &record))
                host.RegisterMachineInfo(type);
        }
    };
}

const char* TypeOf(CMachineContainer* container)
{
    return container ? container->GetType()->name : "(missing)";
}

std::vector<double> Parameters(CMachineContainer* container)
{
    CMachine* machine = container->GetMachine();
    CLockGuard lock(*machine);
    std::vector<double> values;
    for (int32_t i = 0; i < machine->parameterCount; ++i)
        values.push_back(machine->GetParameter(i));
    return values;
}

class ProjectIdentity : public testing::Test {
protected:
    ProjectIdentity()
    {
        shown.clear();
        SetShowHandler(NoteShown);
    }
    ~ProjectIdentity() override { SetShowHandler(nullptr); }

    CMachineContainer* Add(CStudioSession& session, const char* typeName)
    {
        CMachineInfo* type = session.Host().FindMachineInfoByName(typeName);
        return type ? session.Studio().AddMachineOfType(type, 40, 40) : nullptr;
    }

    TempFolder temp;
};

TEST_F(ProjectIdentity, TwinsSharingAnIdentifierComeBackAsThemselves)
{
    const std::vector<std::string> paths = {TestVSTPath("twin-a"), TestVSTPath("twin-b"), TestVSTPath("blank-a"),
                                            TestVSTPath("blank-b")};
    CStudioSession first(44100, 256, Register(paths));
    first.NewProject();
    ASSERT_EQ(std::string(first.Host().FindMachineInfoByName("velm-twin-a")->identifier),
              std::string(first.Host().FindMachineInfoByName("velm-twin-b")->identifier));
    ASSERT_STREQ(first.Host().FindMachineInfoByName("velm-blank-a")->identifier, "VST::");
    ASSERT_STREQ(first.Host().FindMachineInfoByName("velm-blank-b")->identifier, "VST::");

    // Two of each, the second of each renamed away from its type's name.
    const char* kinds[] = {"velm-twin-a", "velm-twin-b", "velm-blank-a", "velm-blank-b"};
    struct Placed {
        std::string name;
        std::string type;
        std::vector<double> parameters;
    };
    std::vector<Placed> placed;
    int n = 0;
    for (const char* kind : kinds) {
        for (int copy = 0; copy < 2; ++copy) {
            CMachineContainer* machine = Add(first, kind);
            ASSERT_NE(machine, nullptr) << kind;
            // New machines are named after their type, so the first rule
            // finds them.
            EXPECT_EQ(std::string(machine->GetName()), std::string(kind) + " " + std::to_string(copy + 1));
            if (copy == 1)
                first.Studio().RenameMachine(machine, ("Renamed " + std::to_string(n)).c_str());
            {
                CMachine* m = machine->GetMachine();
                CLockGuard lock(*m);
                for (int32_t i = 0; i < m->parameterCount; ++i)
                    m->SetParameter(i, 0.05 * (n + 1) + 0.01 * i);
            }
            placed.push_back({machine->GetName(), kind, Parameters(machine)});
            ++n;
        }
    }
    const std::string path = temp / "twins.vmp";
    first.SaveProject(path);

    // The file keeps the identifiers as they are.
    CProjectFile writer(first.Studio(), first.Sequencer(), first.Information());
    const std::vector<uint8_t> bytes = writer.Write();
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin("VST::\x01\x01\x07\x04"),
                          std::end("VST::\x01\x01\x07\x04") - 1),
              bytes.end());

    CStudioSession second(44100, 256, Register(paths));
    EXPECT_EQ(second.LoadProject(path), 0);
    for (const Placed& p : placed) {
        CMachineContainer* loaded = second.Studio().FindByName(p.name.c_str());
        ASSERT_NE(loaded, nullptr) << p.name;
        EXPECT_EQ(TypeOf(loaded), p.type) << p.name;
        EXPECT_EQ(Parameters(loaded), p.parameters) << p.name;
    }
    // Every choice was certain: nothing to tell.
    EXPECT_TRUE(shown.empty()) << shown.front();
    // Saved again, the same file.
    CProjectFile again(second.Studio(), second.Sequencer(), second.Information());
    EXPECT_EQ(again.Write(), bytes);
}

TEST_F(ProjectIdentity, AGuessNamesTheCandidatesAndTakesTheFirstThatFits)
{
    // Another file of the same plug-in: the same identifier and the same
    // form of state, under another type name.
    const std::string copy = temp / "velm-other.so";
    std::filesystem::copy_file(TestVSTPath("blank-a"), copy);
    const std::vector<std::string> paths = {TestVSTPath("blank-b"), TestVSTPath("blank-a"), copy};
    CStudioSession first(44100, 256, Register(paths));
    first.NewProject();
    CMachineContainer* machine = Add(first, "velm-other");
    ASSERT_NE(machine, nullptr);
    first.Studio().RenameMachine(machine, "Mystery");
    const std::string path = temp / "guess.vmp";
    first.SaveProject(path);

    CStudioSession second(44100, 256, Register(paths));
    EXPECT_EQ(second.LoadProject(path), 0);
    CMachineContainer* loaded = second.Studio().FindByName("Mystery");
    ASSERT_NE(loaded, nullptr);
    // blank-b has three parameters, the other two four: the first of those.
    EXPECT_STREQ(TypeOf(loaded), "velm-blank-a");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Machine of name \"Mystery\" has a type identifier shared by several plug-ins (velm-blank-b, "
                        "velm-blank-a, velm-other).\r\nIt was loaded as velm-blank-a; if that is the wrong plug-in, "
                        "replace the machine.");

}

// The Debian plug-ins that collide: "VST::" followed by code 3 (a Dragonfly
// reverb, a DPF effect, an LSP processor) and the empty identifier (a DPF
// panner and LSP plug-ins).
TEST_F(ProjectIdentity, CollidingDebianPlugInsComeBackAsThemselves)
{
    temp.MakeFolder("home/.local/share");
    setenv("HOME", (temp / "home").c_str(), 1);
    const std::vector<std::string> paths = {
        "/usr/lib/lxvst/DragonflyPlateReverb-vst.so", "/usr/lib/vst/MaPitchshift-vst.so",
        "/usr/lib/vst/lsp-plugins/mb-dyna-processor-ms.so", "/usr/lib/vst/PingPongPan-vst.so",
        "/usr/lib/vst/lsp-plugins/loud-comp-stereo.so",   "/usr/lib/vst/lsp-plugins/noise-generator-x1.so"};
    CStudioSession first(44100, 256, Register(paths));
    first.NewProject();
    for (const std::string& path : paths) {
        const std::string name = std::filesystem::path(path).stem().string();
        ASSERT_NE(first.Host().FindMachineInfoByName(name.c_str()), nullptr) << name;
    }
    struct Placed {
        const char* type;
        const char* rename; // null: keeps the name made from its type
    };
    const Placed placed[] = {
        {"MaPitchshift-vst", nullptr},     {"mb-dyna-processor-ms", nullptr}, {"DragonflyPlateReverb-vst", nullptr},
        {"MaPitchshift-vst", "Shifter"},   {"PingPongPan-vst", "Pan"},        {"noise-generator-x1", nullptr},
        {"loud-comp-stereo", nullptr},
    };
    std::vector<std::string> names;
    for (const Placed& p : placed) {
        CMachineContainer* machine = Add(first, p.type);
        ASSERT_NE(machine, nullptr) << p.type;
        if (p.rename)
            first.Studio().RenameMachine(machine, p.rename);
        names.emplace_back(machine->GetName());
    }
    const std::string path = temp / "debian.vmp";
    first.SaveProject(path);

    CStudioSession second(44100, 256, Register(paths));
    EXPECT_EQ(second.LoadProject(path), 0);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_STREQ(TypeOf(second.Studio().FindByName(names[i].c_str())), placed[i].type) << names[i];
    EXPECT_TRUE(shown.empty());
}

} // namespace
