// The tick clock, pattern play and song play, through the real render cycle.
#include "framework/CControlBuffer.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "support/SequencerFixture.h"
#include <gtest/gtest.h>

namespace {

constexpr int32_t kTick = 5512; // 120 BPM, 4 ticks per beat, 44100 Hz

struct Seen {
    int32_t kind;
    int32_t time;
    int32_t key;
};

std::vector<Seen> Events(CMachineContainer* machine, size_t block)
{
    std::vector<Seen> out;
    for (const MachineEvent& e : SeenIn(machine, block))
        out.push_back({e.kind, e.time, e.key});
    return out;
}

bool operator==(const Seen& a, const Seen& b)
{
    return a.kind == b.kind && a.time == b.time && a.key == b.key;
}

void PrintTo(const Seen& s, std::ostream* os)
{
    *os << "{kind " << s.kind << ", time " << s.time << ", key " << s.key << "}";
}

// A session at 120 BPM / 4 TPB with one event recorder.
class Playback : public ::testing::Test {
protected:
    explicit Playback(int32_t blockSize = 256) : fixture(44100, blockSize)
    {
        fixture.SetClock(120.0, 4.0);
        machine = fixture.Add("ZT Events", "Events 1");
    }

    // Starts pattern play of `pattern` (current) with the loop button as given.
    void PlayPattern(bool loop)
    {
        fixture.Patterns().SetLoop(loop);
        fixture.Patterns().SetPlay(true);
    }

    CSequencerFixture fixture;
    CMachineContainer* machine;
};

class LargeBlocks : public Playback {
protected:
    LargeBlocks() : Playback(8000) {}
};

class TickBlocks : public Playback {
protected:
    TickBlocks() : Playback(kTick) {}
};

} // namespace

TEST_F(Playback, SamplesPerTickAndTheLengthOfASixteenUnitPattern)
{
    EXPECT_EQ(fixture.Host().GetSamplesPerTick(), 5512);
    Pattern* pattern = fixture.NewPattern(machine, 16);
    pattern->AddNote(0, 1, 60);
    PlayPattern(true);
    // 352768 samples = 1378 blocks of 256: the loop's next note on is the
    // first event of block 1378.
    for (int block = 0; block <= 1378; ++block)
        fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 0).front(), (Seen{EVENT_NOTE_ON, 0, 60}));
    EXPECT_EQ(Events(machine, 1377).size(), 0u);
    EXPECT_EQ(Events(machine, 1378), (std::vector<Seen>{{EVENT_NOTE_ON, 0, 60}}));
    EXPECT_EQ(pattern->GetPlayPosition(), 256);
}

TEST_F(Playback, ATicksPerBeatChangeTakesEffectWithTheNextBlock)
{
    Pattern* pattern = fixture.NewPattern(machine, 16);
    pattern->AddNote(3, 1, 62);
    PlayPattern(false);
    fixture.RenderBlock();
    fixture.Host().SetTicksPerBeat(8.0);
    EXPECT_EQ(fixture.Host().GetSamplesPerTick(), 2756);
    // Tick 3 now falls on 8268: block 32 (8192 ..) at 76.
    for (int block = 1; block <= 32; ++block)
        fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 32), (std::vector<Seen>{{EVENT_NOTE_ON, 76, 62}}));
}

TEST_F(TickBlocks, ANoteOffExactlyAtTheBlockLengthWaitsForTheNextBlock)
{
    Pattern* pattern = fixture.NewPattern(machine, 16);
    pattern->AddNote(0, 1, 60); // off at 5512, the block length
    pattern->AddNote(1, 2, 64); // on at 5512, off at 16536
    PlayPattern(false);
    fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 0), (std::vector<Seen>{{EVENT_NOTE_ON, 0, 60}}));
    EXPECT_EQ(machine->GetConnector(0)->GetDeferredEvents()->Count(), 1);
    fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 1), (std::vector<Seen>{{EVENT_NOTE_ON, 0, 64}, {EVENT_NOTE_OFF, 0, 60}}));
    fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 2).size(), 0u);
    fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 3), (std::vector<Seen>{{EVENT_NOTE_OFF, 0, 64}}));
}

TEST_F(LargeBlocks, EventKindsFollowTheMachinesNoteForm)
{
    CMachineContainer* keys = fixture.Add("ZT Keys", "Keys 1");
    Pattern* chromatic = fixture.NewPattern(machine, 1);
    chromatic->AddNote(0, 1, 69);
    chromatic->AddControlTrack(2);
    chromatic->GetControlTrack(0)->Point(1) = ControlPoint{true, 0.25f};
    fixture.Place(machine, chromatic, 0);
    Pattern* named = fixture.NewPattern(keys, 1);
    named->AddControlTrack(ControlTrack::kVelocity);
    named->AddNote(0, 1, 5);
    named->AddNote(1, 2, 6);
    named->GetVelocityTrack()->Point(0) = ControlPoint{true, 0.5f};
    named->GetVelocityTrack()->Point(1) = ControlPoint{false, 0.75f};
    fixture.Place(keys, named, 0);
    fixture.Song().SetPlay(true);
    fixture.RenderBlock();

    auto plain = SeenIn(machine, 0);
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(plain[0].kind, EVENT_NOTE_ON);
    EXPECT_EQ(plain[0].key, 69);
    EXPECT_DOUBLE_EQ(plain[0].value, 100.0 / 127.0);
    double a4 = 0.0;
    fixture.Host().GetNoteFrequency(69, &a4);
    EXPECT_EQ(plain[0].frequency, a4);
    EXPECT_EQ(plain[0].size, 40);
    // Automation at tick 1; the note off (5512 < 8000) in the same block.
    EXPECT_EQ(plain[1].kind, EVENT_CONTROL_CHANGE);
    EXPECT_EQ(plain[1].time, kTick);
    EXPECT_EQ(plain[1].key, 2);
    EXPECT_EQ(plain[1].value, 0.25);
    EXPECT_EQ(plain[2].kind, EVENT_NOTE_OFF);
    EXPECT_EQ(plain[2].time, kTick);

    // Named keys: int32 keys; the velocity comes from the track, set or not,
    // and the velocity track sends no control changes.
    auto drums = SeenIn(keys, 0);
    ASSERT_EQ(drums.size(), 3u);
    EXPECT_EQ(drums[0].kind, EVENT_NOTE_ON_INT);
    EXPECT_EQ(drums[0].key, 5);
    EXPECT_EQ(drums[0].value, 0.5);
    EXPECT_EQ(drums[1].kind, EVENT_NOTE_OFF_INT);
    EXPECT_EQ(drums[2].kind, EVENT_NOTE_ON_INT);
    EXPECT_EQ(drums[2].time, kTick);
    EXPECT_EQ(drums[2].value, 0.75);
}

TEST_F(Playback, ANonLoopingPatternStopsInsideABlockAndReleasesPlayOnTheNextStep)
{
    Pattern* pattern = fixture.NewPattern(machine, 1); // 22048 samples: ends in block 86
    pattern->AddNote(0, 1, 60);
    pattern->AddNote(3, 1, 63);
    PlayPattern(false);
    for (int block = 0; block <= 86; ++block)
        fixture.RenderBlock();
    EXPECT_FALSE(pattern->IsPlaying());
    EXPECT_EQ(pattern->GetPlayPosition(), 0);
    EXPECT_TRUE(fixture.Patterns().IsPlayDown());
    // The tail of block 86 holds the note off of tick 3 (at 22048 - 22016)
    // and no new start.
    EXPECT_EQ(Events(machine, 86), (std::vector<Seen>{{EVENT_NOTE_OFF, 32, 63}}));
    fixture.RenderBlock();
    EXPECT_FALSE(fixture.Patterns().IsPlayDown());
    EXPECT_EQ(Events(machine, 87).size(), 0u);
}

TEST_F(LargeBlocks, ALoopingPatternPlaysItsTailAndItsHeadInOneBlock)
{
    Pattern* pattern = fixture.NewPattern(machine, 1);
    pattern->AddNote(0, 1, 60);
    pattern->AddNote(3, 1, 63);
    PlayPattern(true);
    fixture.RenderBlock(); // 0 .. 8000
    fixture.RenderBlock(); // 8000 .. 16000
    fixture.RenderBlock(); // 16000 .. 22048, then 0 .. 1952 at 6048
    EXPECT_EQ(Events(machine, 2),
              (std::vector<Seen>{{EVENT_NOTE_ON, 536, 63}, {EVENT_NOTE_OFF, 6048, 63}, {EVENT_NOTE_ON, 6048, 60}}));
    EXPECT_EQ(pattern->GetPlayPosition(), 1952);
    fixture.RenderBlock();
    // The head's note off (6048 + 5512) was held back for this block.
    EXPECT_EQ(Events(machine, 3), (std::vector<Seen>{{EVENT_NOTE_OFF, 3560, 60}}));
}

namespace {

class SongBlocks : public Playback {
protected:
    SongBlocks() : Playback(50000) {}
};

class CountingRecorder : public CSongRecorder {
public:
    void StartRecording() override { ++starts; }
    void StopRecording() override { ++stops; }
    int starts = 0;
    int stops = 0;
};

} // namespace

TEST_F(SongBlocks, ALoopingOneUnitSongStartsOverOncePerPassInsideABlock)
{
    Pattern* pattern = fixture.NewPattern(machine, 1);
    pattern->AddNote(0, 1, 60);
    fixture.Song().SetSequenceLength(1);
    ASSERT_NE(fixture.Place(machine, pattern, 0), nullptr);
    fixture.Song().SetLoop(true);
    fixture.Song().SetPlay(true);
    fixture.RenderBlock();
    std::vector<int32_t> starts;
    for (const Seen& e : Events(machine, 0)) {
        if (e.kind == EVENT_NOTE_ON)
            starts.push_back(e.time);
    }
    // 50000 frames: 22048 + 22048 + 5904.
    EXPECT_EQ(starts, (std::vector<int32_t>{0, 22048, 44096}));
    EXPECT_NEAR(fixture.Song().GetSongPosition(), 5904.0 / kTick, 1e-9);
    EXPECT_TRUE(fixture.Song().IsSongPlaying());
}

TEST_F(Playback, AnEntryEndingAtTheSongPositionStillSoundsButEmitsNothing)
{
    fixture.Host().SetSampleRateAndBlockSize(44100, 4 * kTick);
    fixture.Studio().SetBlockSize(4 * kTick);
    Pattern* pattern = fixture.NewPattern(machine, 1);
    pattern->AddNote(0, 1, 60);
    fixture.Song().SetSequenceLength(2);
    fixture.Place(machine, pattern, 0);
    fixture.Song().SetPlay(true);
    fixture.RenderBlock();
    EXPECT_EQ(Events(machine, 0).size(), 2u);
    EXPECT_EQ(pattern->GetSongPosition(), 0);
    EXPECT_DOUBLE_EQ(fixture.Song().GetSongPosition(), 4.0);
    fixture.RenderBlock();
    // Position 4 = the entry's end: it sounds at its full length, silently.
    EXPECT_EQ(pattern->GetSongPosition(), 4 * kTick);
    EXPECT_EQ(Events(machine, 1).size(), 0u);
    EXPECT_TRUE(fixture.Song().IsSongPlaying());
    fixture.RenderBlock();
    // The song's end: stopped, and no entry sounds any more.
    EXPECT_FALSE(fixture.Song().IsSongPlaying());
    EXPECT_EQ(pattern->GetSongPosition(), -1);
}

TEST_F(Playback, TheSongEndsInsideABlockThenStopsAndReleasesItsButtons)
{
    CountingRecorder recorder;
    fixture.Song().SetRecorder(&recorder);
    Pattern* pattern = fixture.NewPattern(machine, 1);
    pattern->AddNote(3, 1, 63);
    fixture.Song().SetSequenceLength(1);
    fixture.Place(machine, pattern, 0);
    fixture.Song().SetRecord(true);
    EXPECT_TRUE(fixture.Song().IsPlayDown());
    EXPECT_EQ(recorder.starts, 1);
    for (int block = 0; block <= 86; ++block)
        fixture.RenderBlock();
    // Block 86 holds the song's last 32 frames, then the song sits at its end.
    EXPECT_TRUE(fixture.Song().IsSongPlaying());
    EXPECT_NEAR(fixture.Song().GetSongPosition(), 4.0, 1e-9);
    EXPECT_EQ(Events(machine, 86), (std::vector<Seen>{{EVENT_NOTE_OFF, 32, 63}}));
    fixture.RenderBlock();
    EXPECT_FALSE(fixture.Song().IsSongPlaying());
    EXPECT_FALSE(fixture.Song().IsPlayDown());
    EXPECT_FALSE(fixture.Song().IsRecordDown());
    EXPECT_EQ(recorder.stops, 1);
    EXPECT_EQ(fixture.Song().SongCursor(), -1.0);
    // Stopping again stops the recorder no second time.
    fixture.Song().Stop();
    fixture.RenderBlock();
    EXPECT_EQ(recorder.stops, 1);
    fixture.Song().SetRecorder(nullptr);
}

TEST_F(Playback, EntriesStartingInsideABlockPlayFromTheirFirstFrame)
{
    Pattern* pattern = fixture.NewPattern(machine, 1);
    pattern->AddNote(0, 1, 60);
    fixture.Place(machine, pattern, 1); // tick 4 = sample 22048: block 86 at 32
    fixture.Song().SetPlay(true);
    for (int block = 0; block <= 86; ++block) {
        fixture.RenderBlock();
        EXPECT_EQ(pattern->GetSongPosition(), block < 86 ? -1 : -32) << block;
    }
    EXPECT_EQ(Events(machine, 86), (std::vector<Seen>{{EVENT_NOTE_ON, 32, 60}}));
    EXPECT_LT(pattern->SongPositionInTicks(kTick), 0.0);
}
