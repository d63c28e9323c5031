// Prints what the program's own project reader finds in a project's song:
//   velmora-project-dump PLUGINS_FOLDER PROJECT.vmp
// The end-to-end tests compare it with what they clicked. One line each,
// fields apart by tabs (names hold spaces):
//   clock TEMPO TICKS_PER_BEAT SAMPLES_PER_TICK
//   pattern NAME MACHINE.PORT LENGTH
//   note START LENGTH PITCH          (of the pattern above)
//   velocity TICK VALUE              (points that differ from full velocity)
//   entry MACHINE.PORT START PATTERN
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
#include <string>

namespace {

std::string PortName(const CConnector* port)
{
    if (!port)
        return "-";
    return std::string(port->GetContainer()->GetName()) + "." + port->GetPort()->name;
}

void Dump(const std::string& plugIns, const std::string& project)
{
    CStudioSession session(44100, 256, [&plugIns](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(plugIns);
    });
    if (const int32_t missing = session.LoadProject(project))
        Raise("%d Machines Not Made", missing);
    CVelmHost& host = session.Host();
    std::printf("clock\t%g\t%g\t%d\n", host.GetTempo(), host.GetTicksPerBeat(), host.GetSamplesPerTick());
    const CArray<Pattern>& patterns = session.Sequencer().Patterns().GetPatterns();
    for (int32_t i = 0; i < patterns.GetCount(); ++i) {
        const Pattern* pattern = patterns.GetItem(i);
        std::printf("pattern\t%s\t%s\t%d\n", pattern->GetName().c_str(), PortName(pattern->GetTarget()).c_str(),
                    pattern->GetLength());
        for (const PatternNote* note = pattern->FirstNote(); note; note = note->NextNode())
            std::printf("note\t%d\t%d\t%d\n", note->start, note->length, note->pitch);
        if (const ControlTrack* velocity = pattern->GetVelocityTrack()) {
            for (int32_t tick = 0; tick < velocity->GetPointCount(); ++tick) {
                const ControlPoint& point = velocity->Point(tick);
                if (point.set && point.value != 1.0f)
                    std::printf("velocity\t%d\t%.3f\n", tick, static_cast<double>(point.value));
            }
        }
    }
    const Sequence& song = session.Sequencer().Song().GetSequence();
    for (int32_t t = 0; t < song.GetTrackCount(); ++t) {
        const SequenceTrack* track = song.GetTrack(t);
        for (int32_t e = 0; e < track->GetEntryCount(); ++e) {
            const SequenceEntry* entry = track->GetEntry(e);
            std::printf("entry\t%s\t%d\t%s\n", PortName(track->GetPort()).c_str(), entry->start,
                        entry->pattern->GetName().c_str());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: velmora-project-dump PLUGINS_FOLDER PROJECT.vmp\n");
        return 1;
    }
    try {
        Dump(argv[1], argv[2]);
    } catch (const CError& error) {
        std::fprintf(stderr, "velmora-project-dump: %s\n", error.Text());
        return 1;
    }
    return 0;
}
