#pragma once
#include "framework/CArray.h"
#include "framework/CHostMutex.h"
#include "studio/CStudioObserver.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CByteReader;
class CByteWriter;
class CConnector;
class CMachineContainer;
class CSequenceEditor;
class CStudio;
class CVelmHost;
class Pattern;
struct PatternNote;

// One entry of "PropertyCombo": the property a control track drives (-1 for
// the velocities) and its label.
struct PropertyChoice {
    int32_t property;
    std::string label;
};

// The pattern editor without its window: the one list of all patterns and
// the lock that guards them, the machine / port / pattern choices, the
// pattern commands, the note placement rule and pattern-mode play.
//
// Design note: the editor is the pattern lock. Every public operation takes
// it, except those documented as called with it held (the render cycle's
// pattern step, project blocks, clearing). The lock is not recursive: the
// others must not be called while it is held. Lists that the
// combos show (machines, ports, properties, the current machine's patterns)
// are derived from the studio and the pattern list when asked for, so they
// cannot go stale. The play button is written by the render thread when a
// pattern ends, hence atomic.
class CPatternEditor : public CHostMutex, public CStudioObserver {
public:
    CPatternEditor(CStudio& studio, CSequenceEditor& sequence);
    ~CPatternEditor();
    CPatternEditor(const CPatternEditor&) = delete;
    CPatternEditor& operator=(const CPatternEditor&) = delete;

    CVelmHost& GetHost() const;
    CStudio& GetStudio() const { return studio; }

    // An edit that a save would keep: the project is marked changed. Views
    // compare the revision (bumped by every change they show) to know when
    // to render again.
    void MarkChanged();
    void Touch() { revision.fetch_add(1, std::memory_order_release); }
    uint64_t GetRevision() const { return revision.load(std::memory_order_acquire); }

    // All patterns of the project, in creation / load order.
    const CArray<Pattern>& GetPatterns() const { return patterns; }

    // "MachineCombo": machines with at least one control input port, in
    // studio order; "PortCombo": the current machine's control input ports;
    // "PropertyCombo": "Velocity", then each parameter of the current
    // port's machine; "PatternCombo": the current machine's patterns.
    std::vector<CMachineContainer*> MachineChoices() const;
    std::vector<CConnector*> PortChoices() const;
    std::vector<PropertyChoice> PropertyChoices() const;
    std::vector<Pattern*> PatternChoices() const;

    CMachineContainer* GetCurrentMachine() const { return currentMachine; }
    CConnector* GetCurrentPort() const { return currentPort; }
    Pattern* GetCurrentPattern() const { return currentPattern; }

    // Choosing the current machine again leaves no machine current.
    void ChooseMachine(CMachineContainer* machine);
    // The current pattern moves to the chosen port.
    void ChoosePort(CConnector* port);
    void ChoosePattern(Pattern* pattern);

    // "Add Pattern": needs a current machine and port; null otherwise.
    Pattern* AddPattern();
    // "Remove Pattern": the current one; its neighbour in the combo becomes
    // current.
    void RemovePattern();
    // "Rename Pattern"; names are cut to what a project file can hold.
    void RenamePattern(const char* name);
    // "Pattern Length" (1 .. 1024): the length of new patterns and of the
    // current one, whose sequence entries are then kept in the song.
    void SetPatternLength(int32_t length);
    int32_t GetPatternLength() const { return patternLength; }

    // "Add Control Track" / "Remove Control Track" for a property of
    // "PropertyCombo" on the current pattern; a property has one track.
    void AddControlTrack(int32_t property);
    void RemoveControlTrack(int32_t property);

    // The control view: a point of the current pattern's track `track` set
    // to a value (clamped to 0 .. 1), or cleared.
    void SetControlPoint(int32_t track, int32_t tick, float value);
    void ClearControlPoint(int32_t track, int32_t tick);

    // Keys of the current pattern's machine: 128 chromatic keys, or as many
    // named keys as its note-event form says.
    bool HasNamedKeys() const { return NoteEventForm() > 0; }
    int32_t GetKeyCount() const;
    // The note placement rule, with the pattern lock held: inside the
    // pattern, a valid key, and no other note of that key (but `ignore`)
    // overlapping [start, start + length).
    bool CanPlaceNote(int32_t start, int32_t length, int32_t key, const PatternNote* ignore = nullptr) const;

    // Pattern-mode transport: "Play Pattern" (toggle), "Stop Pattern",
    // "Loop Pattern" (toggle).
    void SetPlay(bool down);
    void Stop();
    void SetLoop(bool down);
    bool IsPlayDown() const { return playDown.load(std::memory_order_acquire); }
    bool IsLoopDown() const { return loopDown.load(std::memory_order_acquire); }

    // The note view's cursors for the current pattern, in ticks (-1 hidden).
    double PlayCursor();
    double SongCursor();

    // Render cycle, pattern lock held: plays the current pattern.
    void PatternStep();

    // Project blocks, pattern lock held. Writing numbers every pattern by
    // its list index first.
    void NumberPatterns();
    void WritePatternBlock(int32_t machineNumber, CByteWriter& out);
    // Appends the block's patterns; a damaged record raises CCorruptData and
    // leaves the patterns read before it.
    void ReadPatternBlock(CByteReader& in);
    // Frees every pattern.
    void ClearPatterns();

    // CStudioObserver
    void MachineAdded(CMachineContainer* container) override;
    void MachineRemoved(CMachineContainer* container) override;
    // The editors show machine names.
    void MachineRenamed(CMachineContainer* container) override;

private:
    // Makes `pattern` current, restarting play when "Play Pattern" is down.
    void SelectPattern(Pattern* pattern);
    void RemoveFromList(Pattern* pattern);
    int32_t NoteEventForm() const;
    std::string NewPatternName() const;

    CStudio& studio;
    CSequenceEditor& sequence;
    CArray<Pattern> patterns;
    CMachineContainer* currentMachine = nullptr;
    CConnector* currentPort = nullptr;
    Pattern* currentPattern = nullptr;
    int32_t patternLength;
    std::atomic<bool> playDown{false};
    std::atomic<bool> loopDown{false};
    std::atomic<uint64_t> revision{0};
};

// A control input port: where patterns and sequence tracks send events.
bool IsControlInput(const CConnector* connector);
