// Builds the demo song shipped with the program from the core machines:
//   velmora-make-demo PLUGINS_FOLDER OUT.vmp
// A resonant bass through the Distort, chords on the polyphonic DudeRivi
// through the ZezaRazad, and a lead through the Vorize, arranged in four
// sections. Made by the studio itself so the file always matches the
// current project format and the machines' own state.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "coremachines/CEcho.h"
#include "coremachines/CWaveShaper.h"
#include "coremachines/DudeRiviParameters.h"
#include "framework/CMachine.h"
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
#include <initializer_list>
#include <string>
#include <utility>

namespace {

constexpr int32_t kBarTicks = 16; // 4 ticks per beat
constexpr int32_t kBarBeats = 4;  // one pattern length unit and one song column are a beat
constexpr int32_t kPhraseBars = 4;

// The chord roots of the phrase, one per bar: A minor, F, C, G.
constexpr int32_t kRoots[kPhraseBars] = {45, 41, 48, 43};
constexpr int32_t kChords[kPhraseBars][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62}};

using Settings = std::initializer_list<std::pair<int32_t, double>>;

class CDemoBuilder {
public:
    explicit CDemoBuilder(const std::string& plugIns)
        : session(44100, 256, [&plugIns](CVelmHost& host) {
              RegisterBuiltInMachineTypes(host);
              CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(plugIns);
          })
    {
        session.NewProject();
        session.Host().SetTempo(118.0);
        session.Host().SetTicksPerBeat(4.0);
        session.Information() = "Velmora Studio demo song: the core machines playing a four-bar phrase.";
    }

    CMachineContainer* Add(const char* type, const char* name, int32_t x, int32_t y, const Settings& settings)
    {
        CMachineInfo* info = session.Host().FindMachineInfoByName(type);
        if (!info)
            Raise("Machine Type '%s' Not Found", type);
        CMachineContainer* machine = session.Studio().AddMachine(name, info, x, y);
        if (!machine)
            Raise("Machine '%s' Not Made", name);
        for (auto [index, value] : settings)
            machine->GetMachine()->SetParameter(index, value);
        return machine;
    }

    // The first audio output of `from` into the first audio input of `to`
    // (the master's when null).
    void Wire(CMachineContainer* from, CMachineContainer* to, double volume)
    {
        CMachineContainer* target = to ? to : session.Studio().GetMaster();
        if (!session.Studio().Connect(AudioPort(from, PORT_OUTPUT), AudioPort(target, PORT_INPUT), volume))
            Raise("Connection From '%s' Refused", from->GetName());
    }

    Pattern* NewPattern(CMachineContainer* machine, const char* name, int32_t bars)
    {
        CPatternEditor& patterns = session.Sequencer().Patterns();
        patterns.ChooseMachine(machine);
        patterns.SetPatternLength(bars * kBarBeats);
        Pattern* pattern = patterns.AddPattern();
        if (!pattern)
            Raise("Pattern Not Made");
        pattern->SetName(name);
        return pattern;
    }

    // Places `pattern` on its machine's track at every bar of [from, to).
    void Place(Pattern* pattern, int32_t fromBar, int32_t toBar)
    {
        CSequenceEditor& song = session.Sequencer().Song();
        const int32_t row = RowOf(pattern);
        const int32_t stride = pattern->GetLength() / kBarBeats;
        song.SelectRow(row);
        song.ChoosePattern(pattern);
        for (int32_t bar = fromBar; bar < toBar; bar += stride) {
            if (!song.PlaceAt(row, bar * kBarBeats))
                Raise("Pattern '%s' Not Placed At Bar %d", pattern->GetName().c_str(), bar);
        }
    }

    void SetBars(int32_t bars) { session.Sequencer().Song().SetSequenceLength(bars * kBarBeats); }
    void Save(const std::string& path) { session.SaveProject(path); }

private:
    static CConnector* AudioPort(CMachineContainer* machine, int32_t direction)
    {
        for (int32_t i = 0; CConnector* connector = machine->GetConnector(i); ++i) {
            const CPort* port = connector->GetPort();
            if (port->IsAudio() && (port->flags & direction) != 0)
                return connector;
        }
        return nullptr;
    }

    int32_t RowOf(Pattern* pattern)
    {
        const Sequence& sequence = session.Sequencer().Song().GetSequence();
        for (int32_t i = 0; i < sequence.GetTrackCount(); ++i) {
            if (sequence.GetTrack(i)->GetPort() == pattern->GetTarget())
                return i;
        }
        Raise("No Track For Pattern '%s'", pattern->GetName().c_str());
    }

    CStudioSession session;
};

void WriteBass(Pattern* bass)
{
    // Eighths on the root with an octave jump and a passing note per bar.
    constexpr int32_t kSteps[8] = {0, 0, 12, 0, 0, 12, 0, 7};
    for (int32_t bar = 0; bar < kPhraseBars; ++bar)
        for (int32_t step = 0; step < 8; ++step)
            bass->AddNote(bar * kBarTicks + step * 2, 1, kRoots[bar] + kSteps[step]);
}

void WriteChords(Pattern* chords)
{
    // Held for three beats and a half, struck again on the last off-beat.
    for (int32_t bar = 0; bar < kPhraseBars; ++bar)
        for (int32_t pitch : kChords[bar]) {
            chords->AddNote(bar * kBarTicks, 14, pitch);
            chords->AddNote(bar * kBarTicks + 14, 2, pitch);
        }
}

void WriteLead(Pattern* lead)
{
    struct Note {
        int32_t tick;
        int32_t ticks;
        int32_t pitch;
    };
    // Two bars over A minor and F, answered over C and G.
    constexpr Note kNotes[] = {{0, 6, 76},  {6, 2, 74},  {8, 4, 72},  {12, 4, 69},  {16, 6, 72},  {22, 2, 71},
                               {24, 8, 69}, {32, 6, 72}, {38, 2, 74}, {40, 4, 76}, {44, 4, 79},  {48, 6, 79},
                               {54, 2, 77}, {56, 4, 76}, {60, 4, 74}};
    for (const Note& note : kNotes)
        lead->AddNote(note.tick, note.ticks, note.pitch);
}

void BuildDemo(const std::string& plugIns, const std::string& output)
{
    using namespace dude;
    CDemoBuilder demo(plugIns);

    CMachineContainer* bass = demo.Add("ZT DudeRivi", "Bass", 60, 60,
                                       {{VCO1_SHAPE, 0.0}, {VCO2_SHAPE, 0.5}, {VCO2_SEMITONE, 0.5}, {VCO2_DETUNE, 0.15},
                                        {AMP_ATTACK, 0.0}, {AMP_DECAY, 0.3}, {AMP_SUSTAIN, 0.6}, {AMP_RELEASE, 0.1},
                                        {FILTER_ATTACK, 0.0}, {FILTER_DECAY, 0.3}, {FILTER_SUSTAIN, 0.2},
                                        {VCF1_CUTOFF, 0.2}, {VCF1_RESONANCE, 0.6}, {VCF1_ENV_MOD, 0.6},
                                        {VCF2_CUTOFF, 0.35}, {VCF2_RESONANCE, 0.1}, {OSC_VOLUME, 1.0}});
    CMachineContainer* drive = demo.Add("ZT Distort", "Drive", 220, 60,
                                        {{CWaveShaper::AMP, 0.3}, {CWaveShaper::AMOUNT, 0.4}, {CWaveShaper::WET, 0.8},
                                         {CWaveShaper::DRY, 0.4}});
    CMachineContainer* chords = demo.Add("ZT DudeRivi (Polyphonic)", "Chords", 60, 180,
                                         {{VCO1_SHAPE, 0.0}, {VCO2_SHAPE, 0.0}, {VCO2_DETUNE, 0.25},
                                          {AMP_ATTACK, 0.35}, {AMP_SUSTAIN, 0.8}, {AMP_RELEASE, 0.5},
                                          {VCF1_CUTOFF, 0.3}, {VCF1_RESONANCE, 0.2}, {VCF1_ENV_MOD, 0.3},
                                          {VCF2_CUTOFF, 0.4}, {OSC_VOLUME, 1.0}});
    // Line 1 only: a dotted eighth (381 ms at 118 BPM) with a darkened,
    // fading repeat under the dry signal.
    CMachineContainer* echo = demo.Add("ZT ZezaRazad", "Echo", 220, 180,
                                       {{CEcho::DELAY_TIME, 0.459}, {CEcho::FEEDBACK, 0.35},
                                        {CEcho::FILTER_FREQUENCY, 0.7}, {CEcho::FILTER_BANDWIDTH, 0.5},
                                        {CEcho::WET_LEVEL, 1.0}, {CEcho::DRY_LEVEL, 1.0}});
    CMachineContainer* lead = demo.Add("ZT DudeRivi", "Lead", 60, 300,
                                       {{VCO1_SHAPE, 0.5}, {VCO2_SHAPE, 0.0}, {VCO2_DETUNE, 0.2},
                                        {AMP_ATTACK, 0.1}, {AMP_SUSTAIN, 0.7}, {AMP_RELEASE, 0.3},
                                        {VCF1_CUTOFF, 0.45}, {VCF1_RESONANCE, 0.3}, {PORTAMENTO, 0.2},
                                        {OSC_VOLUME, 1.0}});
    CMachineContainer* vorize = demo.Add("ZT Vorize", "Vorize", 220, 300,
                                         {{CWaveShaper::AMP, 0.2}, {CWaveShaper::AMOUNT, 0.3}, {CWaveShaper::WET, 0.6},
                                          {CWaveShaper::DRY, 0.6}});

    demo.Wire(bass, drive, 0.8);
    demo.Wire(drive, nullptr, 0.5);
    demo.Wire(chords, echo, 0.8);
    demo.Wire(echo, nullptr, 1.0);
    demo.Wire(lead, vorize, 1.0);
    demo.Wire(vorize, echo, 1.0);

    Pattern* bassLine = demo.NewPattern(bass, "Bass Line", kPhraseBars);
    WriteBass(bassLine);
    Pattern* chordLine = demo.NewPattern(chords, "Chords", kPhraseBars);
    WriteChords(chordLine);
    Pattern* melody = demo.NewPattern(lead, "Melody", kPhraseBars);
    WriteLead(melody);

    // Intro (chords), groove (+ bass), theme (+ lead), outro (chords); the
    // last bar lets the echoes ring out.
    demo.SetBars(21);
    demo.Place(chordLine, 0, 20);
    demo.Place(bassLine, 4, 16);
    demo.Place(melody, 8, 16);
    demo.Save(output);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: velmora-make-demo PLUGINS_FOLDER OUT.vmp\n");
        return 1;
    }
    try {
        BuildDemo(argv[1], argv[2]);
    } catch (const CError& error) {
        std::fprintf(stderr, "velmora-make-demo: %s\n", error.Text());
        return 1;
    }
    return 0;
}
