// Project files carry plug-in states as the plug-ins give them: a real
// instrument (amsynth, program chunks) and the in-tree chunk plug-in go
// through a save and a load and come back with every parameter.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CMachineContainer.h"
#include "studio/CProjectFile.h"
#include "studio/VSTScanRecord.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const char* const kAmsynth = "/usr/lib/vst/amsynth_vst.so";

void RegisterPlugInTypes(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    for (const std::string& path : {std::string(kAmsynth), TestVSTPath("chunks")}) {
        VSTScanRecord record;
        if (CVSTAdapterInfo* type = CVSTAdapterInfo::Probe(&host, path, &record))
            host.RegisterMachineInfo(type);
    }
}

std::vector<std::string> Displays(CMachine* machine)
{
    CLockGuard lock(*machine);
    std::vector<std::string> texts;
    for (int32_t i = 0; i < machine->parameterCount; ++i) {
        char text[kMachineTextSize] = {};
        machine->GetParameterDisplay(i, text);
        texts.emplace_back(text);
    }
    return texts;
}

CConnector* FirstAudioOutput(CMachineContainer* container)
{
    for (int32_t i = 0; i < container->GetConnectorCount(); ++i) {
        if (container->GetConnector(i)->GetPort()->Has(PORT_AUDIO | PORT_OUTPUT))
            return container->GetConnector(i);
    }
    return nullptr;
}

CMachineContainer* AddOfType(CStudioSession& session, const char* typeName, const char* name)
{
    CMachineInfo* type = session.Host().FindMachineInfoByName(typeName);
    return type ? session.Studio().AddMachine(name, type, 40, 40) : nullptr;
}

} // namespace

TEST(ProjectWithPlugIns, PlugInChunksComeBackThroughAProjectFile)
{
    TempFolder temp;
    // amsynth keeps its presets in the home folder's data folder.
    temp.MakeFolder("home/.local/share");
    setenv("HOME", (temp / "home").c_str(), 1);

    CStudioSession first(44100, 256, RegisterPlugInTypes);
    first.NewProject();
    CMachineContainer* synth = AddOfType(first, "amsynth_vst", "Synth");
    CMachineContainer* chunks = AddOfType(first, "velm-chunks", "Chunks");
    ASSERT_NE(synth, nullptr);
    ASSERT_NE(chunks, nullptr);
    {
        CMachine* machine = synth->GetMachine();
        CLockGuard lock(*machine);
        // amsynth reads back a chunk whose preset has no name without its
        // first parameter: start from a preset, as users do.
        machine->SetProgram(0);
        for (int32_t i = 0; i < 12; ++i)
            machine->SetParameter(i, std::fmod(0.37 * (i + 1), 1.0));
    }
    {
        CMachine* machine = chunks->GetMachine();
        CLockGuard lock(*machine);
        for (int32_t i = 0; i < machine->parameterCount; ++i)
            machine->SetParameter(i, 0.1 * (i + 1));
    }
    first.Studio().Connect(FirstAudioOutput(synth), first.Studio().GetMaster()->GetConnector(0), 0.5);
    // A pattern on the instrument's control port (after its audio ports).
    CPatternEditor& patterns = first.Sequencer().Patterns();
    patterns.ChooseMachine(synth);
    Pattern* melody = patterns.AddPattern();
    ASSERT_NE(melody, nullptr);
    melody->AddNote(0, 4, 57);
    CSequenceEditor& song = first.Sequencer().Song();
    song.SelectRow(0);
    ASSERT_NE(song.PlaceAt(0, 0), nullptr);
    const std::vector<std::string> synthTexts = Displays(synth->GetMachine());
    const std::vector<std::string> chunkTexts = Displays(chunks->GetMachine());
    const std::string path = temp / "plugins.vmp";
    first.SaveProject(path);

    CStudioSession second(44100, 256, RegisterPlugInTypes);
    EXPECT_EQ(second.LoadProject(path), 0);
    CMachineContainer* loadedSynth = second.Studio().FindByName("Synth");
    CMachineContainer* loadedChunks = second.Studio().FindByName("Chunks");
    ASSERT_NE(loadedSynth, nullptr);
    ASSERT_NE(loadedChunks, nullptr);
    EXPECT_EQ(Displays(loadedSynth->GetMachine()), synthTexts);
    EXPECT_EQ(Displays(loadedChunks->GetMachine()), chunkTexts);
    EXPECT_EQ(second.Studio().GetMaster()->GetConnector(0)->GetConnectionCount(), 1);
    ASSERT_EQ(second.Sequencer().Patterns().GetPatterns().GetCount(), 1);
    EXPECT_EQ(second.Sequencer().Patterns().GetPatterns().GetItem(0)->GetTarget(),
              loadedSynth->GetConnector(loadedSynth->GetConnectorCount() - 1));
    EXPECT_EQ(second.Sequencer().Song().GetSequence().GetTrack(0)->GetEntryCount(), 1);
    // Saved again, the project is the same file.
    CProjectFile again(second.Studio(), second.Sequencer(), second.Information());
    CProjectFile original(first.Studio(), first.Sequencer(), first.Information());
    EXPECT_EQ(again.Write(), original.Write());
}
