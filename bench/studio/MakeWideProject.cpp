// Builds the wide project that the render cycle's real-time figures are
// measured with:
//   velmora-make-wide PLUGINS_FOLDER MACHINES BARS OUT.vmp
// MACHINES "ZT DudeRivi (Polyphonic)" machines, each holding a four-note
// chord for the whole song, all cabled straight into the master. Made by the
// studio itself, so the file matches the current project format.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/Sequence.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t kBarBeats = 4;
constexpr int32_t kPatternBars = 4;
constexpr int32_t kPatternTicks = kPatternBars * kBarBeats * 4;

CConnector* AudioPort(CMachineContainer* machine, int32_t direction)
{
    for (int32_t i = 0; CConnector* connector = machine->GetConnector(i); ++i) {
        const CPort* port = connector->GetPort();
        if (port->IsAudio() && (port->flags & direction) != 0)
            return connector;
    }
    return nullptr;
}

void Build(const std::string& plugIns, int machines, int bars, const std::string& output)
{
    CStudioSession session(44100, 256, [&plugIns](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(plugIns);
    });
    session.NewProject();
    session.Host().SetTempo(120.0);
    session.Host().SetTicksPerBeat(4.0);
    CMachineInfo* type = session.Host().FindMachineInfoByName("ZT DudeRivi (Polyphonic)");
    if (!type)
        Raise("Machine Type 'ZT DudeRivi (Polyphonic)' Not Found");
    CStudio& studio = session.Studio();
    CPatternEditor& patterns = session.Sequencer().Patterns();
    CSequenceEditor& song = session.Sequencer().Song();
    const int32_t chord[4] = {48, 55, 60, 64};
    std::vector<Pattern*> made;
    for (int i = 0; i < machines; ++i) {
        CMachineContainer* machine = studio.AddMachineOfType(type, 40 + (i % 8) * 100, 40 + (i / 8) * 60);
        if (!machine || !studio.Connect(AudioPort(machine, PORT_OUTPUT), AudioPort(studio.GetMaster(), PORT_INPUT), 0.05))
            Raise("Machine %d Not Made Or Not Connected", i);
        patterns.ChooseMachine(machine);
        patterns.SetPatternLength(kPatternBars * kBarBeats);
        Pattern* pattern = patterns.AddPattern();
        if (!pattern)
            Raise("Pattern Not Made");
        for (int32_t pitch : chord)
            pattern->AddNote(0, kPatternTicks, pitch + i % 12);
        made.push_back(pattern);
    }
    // The song's length once every machine has its track.
    song.SetSequenceLength(bars * kBarBeats);
    for (Pattern* pattern : made) {
        const Sequence& sequence = song.GetSequence();
        int32_t row = -1;
        for (int32_t t = 0; t < sequence.GetTrackCount(); ++t) {
            if (sequence.GetTrack(t)->GetPort() == pattern->GetTarget())
                row = t;
        }
        if (row < 0)
            Raise("No Track For Pattern '%s'", pattern->GetName().c_str());
        song.SelectRow(row);
        song.ChoosePattern(pattern);
        for (int32_t bar = 0; bar < bars; bar += kPatternBars) {
            if (!song.PlaceAt(row, bar * kBarBeats))
                Raise("Pattern Not Placed At Bar %d", bar);
        }
    }
    session.SaveProject(output);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "Usage: velmora-make-wide PLUGINS_FOLDER MACHINES BARS OUT.vmp\n");
        return 1;
    }
    try {
        Build(argv[1], std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    } catch (const CError& error) {
        std::fprintf(stderr, "velmora-make-wide: %s\n", error.Text());
        return 1;
    }
    return 0;
}
