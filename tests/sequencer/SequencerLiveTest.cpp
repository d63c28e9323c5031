// Pattern, song and graph edits from the test thread while the null driver
// plays the song and a pattern: run under ThreadSanitizer, any access that
// the pattern lock does not guard shows.
#include "audio/CStudioOptions.h"
#include "audio/CAudioOutputManager.h"
#include "sequencer/CNoteEditing.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/RenderEntry.h"
#include "support/AudioTestEnvironment.h"
#include "support/SequencerFixture.h"
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

// The null driver only: no sound device is probed, no user options are read.
const bool environment = testenv::UseNoDevices() && !testenv::UsePrivateConfigFolder("sequencer-live").empty();

std::atomic<int> blocks{0};

void CountingEntry(int32_t channels, double** buffers, int32_t frames)
{
    RenderEntry(channels, buffers, frames);
    blocks.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

TEST(SequencerLive, EditsWhileTheSongAndAPatternPlay)
{
    CStudioOptions options;
    options.outputDriver = 0;
    options.nullBufferSize = 512;
    CSequencerFixture fixture(44100, 512);
    fixture.session.NewProject();
    // A fast clock, so that songs end and loop within the test.
    fixture.SetClock(600.0, 16.0);
    CPatternEditor& patterns = fixture.Patterns();
    CSequenceEditor& song = fixture.Song();
    CNoteEditing notes(patterns);
    const char* types[] = {"ZT Tone", "ZT Keys", "ZT Events", "ZT Knob"};

    CAudioOutputManager manager(options);
    manager.SetStudio(&fixture.Studio());
    SetRenderStudio(&fixture.Studio());
    manager.StartOutput(CountingEntry);
    song.SetLoop(true);
    song.SetPlay(true);

    std::mt19937 random(4711);
    auto pick = [&](int32_t n) { return n > 0 ? static_cast<int32_t>(random() % static_cast<uint32_t>(n)) : 0; };
    int operations = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<CMachineContainer*> machines = patterns.MachineChoices();
        switch (random() % 12) {
        case 0:
            if (machines.size() < 6)
                fixture.Add(types[pick(4)], fixture.Studio().NewMachineName("Machine").c_str());
            break;
        case 1:
            if (!machines.empty() && random() % 4 == 0)
                fixture.Studio().RemoveMachine(machines[static_cast<size_t>(pick(static_cast<int32_t>(machines.size())))]);
            break;
        case 2:
            if (!machines.empty())
                patterns.ChooseMachine(machines[static_cast<size_t>(pick(static_cast<int32_t>(machines.size())))]);
            break;
        case 3:
            patterns.SetPatternLength(1 + pick(4));
            patterns.AddPattern();
            break;
        case 4:
            if (random() % 3 == 0)
                patterns.RemovePattern();
            break;
        case 5:
            notes.SetNoteLength(1 + pick(6));
            notes.AddNoteAt(pick(16), pick(8));
            break;
        case 6:
            patterns.AddControlTrack(pick(3) - 1);
            patterns.SetControlPoint(0, pick(8), 0.5f);
            break;
        case 7:
            patterns.SetPlay(random() % 2 == 0);
            patterns.SetLoop(random() % 2 == 0);
            break;
        case 8: {
            const int32_t row = pick(song.GetSequence().GetTrackCount());
            song.SelectRow(row);
            song.PlaceAt(row, pick(song.GetSequenceLength()));
            break;
        }
        case 9:
            song.SetSequenceLength(4 + pick(12));
            break;
        case 10:
            if (random() % 4 == 0)
                song.SetPlay(true);
            else
                song.SetLoop(random() % 2 == 0);
            break;
        default:
            (void)patterns.PlayCursor();
            (void)patterns.SongCursor();
            (void)song.SongCursor();
            break;
        }
        ++operations;
    }
    manager.StopOutput();
    SetRenderStudio(nullptr);
    std::printf("%d edits during %d blocks\n", operations, blocks.load());
    EXPECT_GT(blocks.load(), 10);
    EXPECT_GT(operations, 100);
}
