#pragma once
// A session on the sequencer test machines, with helpers to build patterns
// and songs and to run blocks through the real render cycle.
#include "SequencerTestMachines.h"
#include "app/CStudioSession.h"
#include "sequencer/Pattern.h"
#include "studio/CMachineContainer.h"
#include <gtest/gtest.h>
#include <vector>

class CSequencerFixture {
public:
    explicit CSequencerFixture(int32_t sampleRate = 44100, int32_t blockSize = 256)
        : session(sampleRate, blockSize, RegisterSequencerTestTypes)
    {
    }

    CVelmHost& Host() { return session.Host(); }
    CStudio& Studio() { return session.Studio(); }
    CPatternEditor& Patterns() { return session.Sequencer().Patterns(); }
    CSequenceEditor& Song() { return session.Sequencer().Song(); }

    CMachineContainer* Add(const char* type, const char* name, int32_t x = 0, int32_t y = 0)
    {
        return Studio().AddMachine(name, Host().FindMachineInfoByName(type), x, y);
    }

    // 120 BPM, 4 ticks per beat: 5512 samples per tick at 44100 Hz.
    void SetClock(double bpm, double ticksPerBeat)
    {
        Host().SetTempo(bpm);
        Host().SetTicksPerBeat(ticksPerBeat);
    }

    // A new pattern on `machine`'s first control input, made current.
    Pattern* NewPattern(CMachineContainer* machine, int32_t length)
    {
        if (Patterns().GetCurrentMachine() != machine)
            Patterns().ChooseMachine(machine);
        Patterns().SetPatternLength(length);
        Pattern* pattern = Patterns().AddPattern();
        EXPECT_NE(pattern, nullptr);
        return pattern;
    }

    // The sequence track of the machine's first control input.
    int32_t RowOf(CMachineContainer* machine)
    {
        const Sequence& sequence = Song().GetSequence();
        for (int32_t i = 0; i < sequence.GetTrackCount(); ++i) {
            if (sequence.GetTrack(i)->GetPort()->GetContainer() == machine)
                return i;
        }
        return -1;
    }

    SequenceEntry* Place(CMachineContainer* machine, Pattern* pattern, int32_t column)
    {
        Song().SelectRow(RowOf(machine));
        Song().ChoosePattern(pattern);
        return Song().PlaceAt(RowOf(machine), column);
    }

    // One block through the render cycle, two channels.
    void RenderBlock()
    {
        const int32_t frames = Host().GetBlockSize();
        left.assign(static_cast<size_t>(frames), 0.0);
        right.assign(static_cast<size_t>(frames), 0.0);
        double* buffers[2] = {left.data(), right.data()};
        Studio().RenderBlock(2, buffers, frames);
    }

    CStudioSession session;
    std::vector<double> left;
    std::vector<double> right;
};

// The events an event machine saw in block `block` (0 = first processed).
inline std::vector<MachineEvent> SeenIn(CMachineContainer* machine, size_t block)
{
    auto seen = static_cast<CEventMachine*>(machine->GetMachine())->Seen();
    return block < seen.size() ? seen[block] : std::vector<MachineEvent>{};
}
