// Builds the demo song shipped with the program from the core machines:
//   velmora-make-demo PLUGINS_FOLDER OUT.vmp
// Drums on the DUzoV8 and a Virir kick (joined to stereo), a driven bass,
// chords through the ViziRavez and a lead through the Vorize, all on the
// Mixer's tracks; its sends feed a DizodirEzav room and a ZezaRazad echo
// (whose sides a splitter and a joiner swap) back into its returns. The
// parts enter one after another, break down and come back. Made by the
// studio itself so the file always matches the current project format and
// the machines' own state.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CEcho.h"
#include "coremachines/CKick.h"
#include "coremachines/CMixer.h"
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
#include <vector>

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
        session.Information() = "Velmora Studio demo song: every core machine, drums to mixing desk, in one piece.";
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

    // Port `fromPort` of `from` into port `toPort` of `to`.
    void WirePorts(CMachineContainer* from, int32_t fromPort, CMachineContainer* to, int32_t toPort, double volume)
    {
        CConnector* a = from->GetConnector(fromPort);
        CConnector* b = to->GetConnector(toPort);
        if (!a || !b || !session.Studio().Connect(a, b, volume))
            Raise("Connection From '%s' Port %d Refused", from->GetName(), fromPort);
    }

    Pattern* NewPattern(CMachineContainer* machine, const char* name, int32_t bars)
    {
        CPatternEditor& patterns = session.Sequencer().Patterns();
        // Choosing the machine already chosen would deselect it.
        if (patterns.GetCurrentMachine() != machine)
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

// A drum voice's note: the drum machine plays voice n mod 11.
int32_t Drum(int32_t voice)
{
    return 44 + voice;
}

void WriteHats(Pattern* hats)
{
    // Closed on the eighths, the last off-beat open.
    for (int32_t tick = 0; tick < 14; tick += 2)
        hats->AddNote(tick, 1, Drum(CDrumKit::CLOSED_HI_HAT));
    hats->AddNote(14, 2, Drum(CDrumKit::OPEN_HI_HAT));
}

// The groove: hats, snare and clap on beats two and four, a rim shot, a
// ride on the off-beat of three; the first bar of a section opens with the
// crash instead.
void WriteBeat(Pattern* beat, bool crash)
{
    WriteHats(beat);
    for (int32_t tick : {4, 12}) {
        beat->AddNote(tick, 1, Drum(CDrumKit::SNARE_DRUM));
        beat->AddNote(tick, 1, Drum(CDrumKit::CLAP));
    }
    beat->AddNote(7, 1, Drum(CDrumKit::RIM_SHOT));
    if (crash)
        beat->AddNote(0, 4, Drum(CDrumKit::CRASH_CYMBAL));
    else
        beat->AddNote(10, 2, Drum(CDrumKit::RIDE_CYMBAL));
}

void WriteFill(Pattern* fill)
{
    // Half a bar of the groove, then the toms falling in sixteenths.
    for (int32_t tick = 0; tick < 8; tick += 2)
        fill->AddNote(tick, 1, Drum(CDrumKit::CLOSED_HI_HAT));
    fill->AddNote(4, 1, Drum(CDrumKit::SNARE_DRUM));
    constexpr int32_t kToms[8] = {CDrumKit::HIGH_TOM, CDrumKit::HIGH_TOM, CDrumKit::MID_TOM, CDrumKit::MID_TOM,
                                  CDrumKit::LOW_TOM,  CDrumKit::MID_TOM,  CDrumKit::LOW_TOM, CDrumKit::LOW_TOM};
    for (int32_t k = 0; k < 8; ++k)
        fill->AddNote(8 + k, 1, Drum(kToms[k]));
}

void WriteKick(Pattern* kick, int32_t everyTicks)
{
    for (int32_t tick = 0; tick < kBarTicks; tick += everyTicks)
        kick->AddNote(tick, 1, 36);
}

// The song's sections, in bars: chords alone, hats join, the kick joins,
// the bass joins, the groove, the lead, a break (chords, bass, half-time
// kick), everything again, and a last bar where the room and echo ring out.
constexpr int32_t kHatsBar = 4;
constexpr int32_t kKickBar = 6;
constexpr int32_t kBassBar = 8;
constexpr int32_t kGrooveBar = 12;
constexpr int32_t kThemeBar = 16;
constexpr int32_t kBreakBar = 20;
constexpr int32_t kReturnBar = 24;
constexpr int32_t kEndBar = 32;

void BuildDemo(const std::string& plugIns, const std::string& output)
{
    using namespace dude;
    CDemoBuilder demo(plugIns);

    // Sources, top to bottom, their insert effects beside them.
    CMachineContainer* drums = demo.Add("ZT DUzoV8", "Drums", 20, 100,
                                        {{10, 0.6}, {14, 0.6}, {18, 0.6},   // tom tunings
                                         {6, 1.0}, {24, 0.8}, {22, 0.85}, // snare, clap, rim levels
                                         {11, 0.85}, {15, 0.85}, {19, 0.85}, // tom levels
                                         {26, 1.0}, {27, 0.6}, {29, 0.9}, {30, 0.4}, {31, 0.2},
                                         {32, 0.85}, {35, 0.75}, {36, 0.65}, {28, 0.1}});
    CMachineContainer* kick = demo.Add("ZT Virir", "Kick", 20, 170,
                                       {{CKick::VCO_DECAY, 0.25}, {CKick::AMP_DECAY, 0.35}, {CKick::VCF_CUTOFF, 0.45}});
    CMachineContainer* kickJoin = demo.Add("ZT StereoJoiner", "Kick Stereo", 160, 170, {});
    CMachineContainer* bass = demo.Add("ZT DudeRivi", "Bass", 20, 240,
                                       {{VCO1_SHAPE, 0.0}, {VCO2_SHAPE, 0.5}, {VCO2_SEMITONE, 0.5}, {VCO2_DETUNE, 0.15},
                                        {AMP_ATTACK, 0.0}, {AMP_DECAY, 0.3}, {AMP_SUSTAIN, 0.6}, {AMP_RELEASE, 0.1},
                                        {FILTER_ATTACK, 0.0}, {FILTER_DECAY, 0.3}, {FILTER_SUSTAIN, 0.2},
                                        {VCF1_CUTOFF, 0.2}, {VCF1_RESONANCE, 0.6}, {VCF1_ENV_MOD, 0.6},
                                        {VCF2_CUTOFF, 0.35}, {VCF2_RESONANCE, 0.1}, {OSC_VOLUME, 1.0}});
    CMachineContainer* drive = demo.Add("ZT Distort", "Drive", 160, 240,
                                        {{CWaveShaper::AMP, 0.3}, {CWaveShaper::AMOUNT, 0.4}, {CWaveShaper::WET, 0.8},
                                         {CWaveShaper::DRY, 0.4}});
    CMachineContainer* chords = demo.Add("ZT DudeRivi (Polyphonic)", "Chords", 20, 310,
                                         {{VCO1_SHAPE, 0.0}, {VCO2_SHAPE, 0.0}, {VCO2_DETUNE, 0.25},
                                          {AMP_ATTACK, 0.35}, {AMP_SUSTAIN, 0.8}, {AMP_RELEASE, 0.5},
                                          {VCF1_CUTOFF, 0.3}, {VCF1_RESONANCE, 0.2}, {VCF1_ENV_MOD, 0.3},
                                          {VCF2_CUTOFF, 0.4}, {OSC_VOLUME, 1.0}});
    CMachineContainer* smooth = demo.Add("ZT ViziRavez", "Smooth", 160, 310, {{0, 0.25}});
    CMachineContainer* lead = demo.Add("ZT DudeRivi", "Lead", 20, 380,
                                       {{VCO1_SHAPE, 0.5}, {VCO2_SHAPE, 0.0}, {VCO2_DETUNE, 0.2},
                                        {AMP_ATTACK, 0.1}, {AMP_SUSTAIN, 0.7}, {AMP_RELEASE, 0.3},
                                        {VCF1_CUTOFF, 0.45}, {VCF1_RESONANCE, 0.3}, {PORTAMENTO, 0.2},
                                        {OSC_VOLUME, 1.0}});
    CMachineContainer* vorize = demo.Add("ZT Vorize", "Vorize", 160, 380,
                                         {{CWaveShaper::AMP, 0.2}, {CWaveShaper::AMOUNT, 0.3}, {CWaveShaper::WET, 0.6},
                                          {CWaveShaper::DRY, 0.6}});

    // The desk: flat bands everywhere, levels by ear (0.8 is unity), the
    // room on send 1 and the echo on send 2.
    std::vector<std::pair<int32_t, double>> deskSettings;
    auto track = [&](int32_t t, double level, double balance, double room, double echo, double mid = 1.0,
                     double high = 1.0) {
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::LOW), 1.0});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::MID), mid});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::HIGH), high});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::LEVEL), level});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::BALANCE), balance});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::SEND1), room});
        deskSettings.push_back({CMixer::TrackParameter(t, CMixer::SEND2), echo});
    };
    track(0, 0.803, 0.5, 0.2, 0.0);             // drums
    track(1, 0.648, 0.5, 0.0, 0.0);             // kick
    track(2, 0.768, 0.5, 0.05, 0.0, 0.4, 0.25); // bass, its drive's fizz tamed
    track(3, 0.748, 0.42, 0.45, 0.0, 0.6);      // chords, a little left, behind the lead
    track(4, 0.753, 0.6, 0.3, 0.35);            // lead, a little right
    for (int32_t bus = 0; bus < CMixer::kBuses; ++bus) {
        for (int32_t p = CMixer::LOW; p <= CMixer::HIGH; ++p)
            deskSettings.push_back({CMixer::BusParameter(bus, p), 1.0});
        deskSettings.push_back({CMixer::BusParameter(bus, CMixer::LEVEL), bus == 0 ? 0.723 : 0.663});
    }
    CMachineContainer* mixer = demo.Add("ZT Mixer", "Desk", 320, 170, {});
    for (auto [index, value] : deskSettings)
        mixer->GetMachine()->SetParameter(index, value);

    // A 10 m room with soft walls and a dark tail of about three seconds.
    CMachineContainer* room = demo.Add("ZT DizodirEzav", "Room", 480, 100,
                                       {{CDizodirEzav::WALL_ABSORB, 0.4}, {CDizodirEzav::FEEDBACK, 0.68},
                                        {CDizodirEzav::CUTOFF, 0.72}, {CDizodirEzav::GAIN, 0.62}});
    // A dotted eighth (381 ms at 118 BPM), darkened, wet only.
    CMachineContainer* echo = demo.Add("ZT ZezaRazad", "Echo", 480, 330,
                                       {{CEcho::DELAY_TIME, 0.459}, {CEcho::FEEDBACK, 0.4},
                                        {CEcho::FILTER_FREQUENCY, 0.65}, {CEcho::FILTER_BANDWIDTH, 0.5},
                                        {CEcho::WET_LEVEL, 1.0}, {CEcho::DRY_LEVEL, 0.0}});
    // The echo comes back with its sides swapped, against the lead's place.
    CMachineContainer* split = demo.Add("ZT StereoSplitter", "Echo Split", 620, 330, {});
    CMachineContainer* swap = demo.Add("ZT StereoJoiner", "Echo Swap", 620, 400, {});

    demo.WirePorts(kick, 1, kickJoin, 0, 1.0);
    demo.WirePorts(kick, 1, kickJoin, 1, 1.0);
    demo.Wire(bass, drive, 0.8);
    demo.Wire(chords, smooth, 0.8);
    demo.Wire(lead, vorize, 1.0);
    demo.WirePorts(drums, 1, mixer, CMixer::TrackPort(0), 1.0);
    demo.WirePorts(kickJoin, 2, mixer, CMixer::TrackPort(1), 1.0);
    demo.WirePorts(drive, 2, mixer, CMixer::TrackPort(2), 1.0);
    demo.WirePorts(smooth, 1, mixer, CMixer::TrackPort(3), 1.0);
    demo.WirePorts(vorize, 2, mixer, CMixer::TrackPort(4), 1.0);
    demo.WirePorts(mixer, CMixer::SendPort(0), room, 0, 1.0);
    demo.WirePorts(room, 1, mixer, CMixer::ReturnPort(0), 1.0);
    demo.WirePorts(mixer, CMixer::SendPort(1), echo, 0, 1.0);
    demo.WirePorts(echo, 1, split, 0, 1.0);
    demo.WirePorts(split, 1, swap, 1, 1.0);
    demo.WirePorts(split, 2, swap, 0, 1.0);
    demo.WirePorts(swap, 2, mixer, CMixer::ReturnPort(1), 1.0);
    demo.Wire(mixer, nullptr, 1.0);

    Pattern* hats = demo.NewPattern(drums, "Hats", 1);
    WriteHats(hats);
    Pattern* beat = demo.NewPattern(drums, "Beat", 1);
    WriteBeat(beat, false);
    Pattern* crashBeat = demo.NewPattern(drums, "Crash Beat", 1);
    WriteBeat(crashBeat, true);
    Pattern* fill = demo.NewPattern(drums, "Fill", 1);
    WriteFill(fill);
    Pattern* four = demo.NewPattern(kick, "Four", 1);
    WriteKick(four, 4);
    Pattern* half = demo.NewPattern(kick, "Half Time", 1);
    WriteKick(half, 8);
    Pattern* bassLine = demo.NewPattern(bass, "Bass Line", kPhraseBars);
    WriteBass(bassLine);
    Pattern* chordLine = demo.NewPattern(chords, "Chords", kPhraseBars);
    WriteChords(chordLine);
    Pattern* melody = demo.NewPattern(lead, "Melody", kPhraseBars);
    WriteLead(melody);

    demo.SetBars(kEndBar + 1);
    demo.Place(chordLine, 0, kEndBar);
    demo.Place(hats, kHatsBar, kGrooveBar);
    demo.Place(four, kKickBar, kBreakBar);
    demo.Place(bassLine, kBassBar, kEndBar);
    demo.Place(crashBeat, kGrooveBar, kGrooveBar + 1);
    demo.Place(beat, kGrooveBar + 1, kBreakBar - 1);
    demo.Place(fill, kBreakBar - 1, kBreakBar);
    demo.Place(melody, kThemeBar, kBreakBar);
    demo.Place(half, kBreakBar, kReturnBar);
    demo.Place(crashBeat, kReturnBar, kReturnBar + 1);
    demo.Place(beat, kReturnBar + 1, kEndBar - 1);
    demo.Place(fill, kEndBar - 1, kEndBar);
    demo.Place(four, kReturnBar, kEndBar);
    demo.Place(melody, kReturnBar, kEndBar);
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
