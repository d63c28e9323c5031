// The HD recorder's tracks: WAV files and their headers, volume and peaks,
// the lock checks, file failures and the disk thread that the render thread
// never waits for.
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackList.h"
#include "machines/CHDTrackMachine.h"
#include "studio/CVelmHost.h"
#include "support/RaisedText.h"
#include "support/TempFolder.h"
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <signal.h>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 256;

CVelmHost& Host()
{
    static CVelmHost host(kRate, kBlock, 0);
    return host;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// The messages the disk thread tells.
std::mutex messageMutex;
std::vector<std::string> messages;
void Collect(const char* text)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    messages.emplace_back(text);
}
std::vector<std::string> TakeMessages()
{
    std::lock_guard<std::mutex> lock(messageMutex);
    return std::exchange(messages, {});
}

double Signal(int64_t frame, int channel)
{
    return 0.9 * std::sin(0.01 * static_cast<double>(frame) + channel);
}

// Feeds `frames` of the test signal through a track machine block by block.
void Play(CHDTrackMachine& machine, int64_t frames, int64_t first = 0)
{
    CAudioBuffer* in = machine.ports[0]->audioBuffer;
    for (int64_t start = 0; start < frames; start += kBlock) {
        int32_t count = static_cast<int32_t>(std::min<int64_t>(kBlock, frames - start));
        for (int32_t i = 0; i < in->length; ++i) {
            in->left[i] = i < count ? Signal(first + start + i, 0) : 0.0;
            if (in->right)
                in->right[i] = i < count ? Signal(first + start + i, 1) : 0.0;
        }
        if (count < kBlock) {
            // A last, shorter block: write it through the track directly.
            CLockGuard<CMutex> lock(*machine.Track());
            machine.Track()->Write(in->left, in->right, count);
            return;
        }
        machine.Process();
    }
}

bool Arm(CHDTrack& track)
{
    CLockGuard<CMutex> lock(track);
    return track.Open();
}

void Disarm(CHDTrack& track)
{
    CLockGuard<CMutex> lock(track);
    track.Close();
}

} // namespace

TEST(HDTrackTest, StereoSixteenBitRecordingOfOneSecond)
{
    TempFolder folder;
    CHDTrackList list;
    list.Writer().SetMessageHandler(Collect);
    CHDTrackMachine machine(&Host(), &list, true);
    machine.SetName("HD 1");
    EXPECT_EQ(machine.Track()->NameLabel(), "Name: HD 1");
    std::string path = folder / "take.wav";
    machine.Track()->SetFile(path, CHDTrack::FORMAT_PCM16);
    EXPECT_EQ(machine.Track()->FileLabel(), "File: '" + path + "'");
    ASSERT_TRUE(Arm(*machine.Track()));
    Play(machine, 44100);
    EXPECT_DOUBLE_EQ(machine.Track()->GetSeconds(), 1.0);
    Disarm(*machine.Track());
    EXPECT_FALSE(machine.Track()->IsRecording());
    list.Writer().Flush();

    std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 176400u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(U32(file, 4), 176436u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 16u);
    EXPECT_EQ(U16(file, 20), 1);
    EXPECT_EQ(U16(file, 22), 2);
    EXPECT_EQ(U32(file, 24), 44100u);
    EXPECT_EQ(U32(file, 28), 176400u);
    EXPECT_EQ(U16(file, 32), 4);
    EXPECT_EQ(U16(file, 34), 16);
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    EXPECT_EQ(U32(file, 40), 176400u);
    for (int64_t frame : {0, 1, 255, 256, 30000, 44099}) {
        for (int channel = 0; channel < 2; ++channel) {
            double x = Signal(frame, channel);
            auto expected = static_cast<int16_t>(x < 0 ? x * 32768.0 : x * 32767.0);
            EXPECT_EQ(static_cast<int16_t>(U16(file, 44 + 4 * frame + 2 * channel)), expected) << frame;
        }
    }
    EXPECT_TRUE(TakeMessages().empty());
}

TEST(HDTrackTest, MonoFloatVolumeAndPeaks)
{
    TempFolder folder;
    CHDTrackList list;
    CHDTrackMachine machine(&Host(), &list, false);
    std::string path = folder / "mono.wav";
    machine.Track()->SetFile(path, CHDTrack::FORMAT_FLOAT);
    machine.Track()->SetVolume(0.5);
    ASSERT_TRUE(Arm(*machine.Track()));
    CAudioBuffer* in = machine.ports[0]->audioBuffer;
    for (int32_t i = 0; i < kBlock; ++i)
        in->left[i] = i == 100 ? -0.8 : 0.25;
    machine.Process();
    const double* out = machine.ports[1]->audioBuffer->left;
    EXPECT_DOUBLE_EQ(out[0], 0.125);
    EXPECT_DOUBLE_EQ(out[100], -0.4);
    double left = 0, right = 0;
    machine.Track()->TakePeaks(&left, &right);
    EXPECT_DOUBLE_EQ(left, 0.4);
    EXPECT_DOUBLE_EQ(right, 0.4) << "a mono track shows its peak twice";
    machine.Track()->TakePeaks(&left, &right);
    EXPECT_EQ(left, 0.0);
    Disarm(*machine.Track());
    list.Writer().Flush();

    std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 4u * kBlock);
    EXPECT_EQ(U16(file, 20), 3);
    EXPECT_EQ(U16(file, 22), 1);
    EXPECT_EQ(U16(file, 32), 4);
    EXPECT_EQ(U16(file, 34), 32);
    float sample;
    std::memcpy(&sample, file.data() + 44 + 4 * 100, 4);
    EXPECT_EQ(sample, -0.4f);
}

TEST(HDTrackTest, LockChecksEmptyPathAndNewFileWhileRecording)
{
    TempFolder folder;
    CHDTrackList list;
    CHDTrackMachine machine(&Host(), &list, true);
    CHDTrack& track = *machine.Track();
    double l[4] = {}, r[4] = {};
    EXPECT_EQ(RaisedText([&] { track.Open(); }), "HD Track Not Locked On Open");
    EXPECT_EQ(RaisedText([&] { track.Write(l, r, 4); }), "HD Track Not Locked On Write");
    EXPECT_EQ(RaisedText([&] { track.Close(); }), "HD Track Not Locked On Close");

    EXPECT_FALSE(Arm(track)) << "no path yet";
    EXPECT_FALSE(track.IsRecording());
    track.SetFile(folder / "missing-folder/x.wav", CHDTrack::FORMAT_FLOAT);
    EXPECT_FALSE(Arm(track));

    std::string first = folder / "first.wav";
    track.SetFile(first, CHDTrack::FORMAT_FLOAT);
    ASSERT_TRUE(Arm(track));
    Play(machine, 1000);
    track.SetFile(folder / "second.wav", CHDTrack::FORMAT_PCM16);
    EXPECT_FALSE(track.IsRecording()) << "a new file does not start a recording";
    Play(machine, 512);
    list.Writer().Flush();
    std::vector<uint8_t> file = ReadBytes(first);
    ASSERT_EQ(file.size(), 44u + 8u * 1000);
    EXPECT_EQ(U32(file, 40), 8000u);
    EXPECT_FALSE(std::ifstream(folder / "second.wav").good());
}

TEST(HDTrackTest, StateBlobKeepsThePathOnly)
{
    CHDTrackList list;
    CHDTrackMachine machine(&Host(), &list, false);
    machine.Track()->SetFile("/tmp/somewhere/take.wav", CHDTrack::FORMAT_PCM16);
    void* data = nullptr;
    int32_t size = 0;
    bool parameterList = true;
    machine.SaveState(&data, &size, &parameterList);
    ASSERT_EQ(size, 1028);
    std::vector<uint8_t> saved(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    std::free(data);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "MTDH");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.data() + 4)), "/tmp/somewhere/take.wav");

    CHDTrackMachine copy(&Host(), &list, false);
    std::vector<uint8_t> wrong = saved;
    wrong[0] = 'X';
    copy.LoadState(wrong.data(), 1028, false);
    copy.LoadState(saved.data(), 1027, false);
    copy.LoadState(saved.data(), 1028, true);
    EXPECT_EQ(copy.Track()->GetPath(), "");
    // A path that fills the whole field without its terminator stays inside it.
    std::vector<uint8_t> full = saved;
    std::memset(full.data() + 4, 'a', 1024);
    copy.LoadState(full.data(), 1028, false);
    EXPECT_EQ(copy.Track()->GetPath().size(), 1023u);
    copy.LoadState(saved.data(), 1028, false);
    EXPECT_EQ(copy.Track()->GetPath(), "/tmp/somewhere/take.wav");
    EXPECT_FALSE(copy.Track()->IsRecording());
    EXPECT_EQ(list.Count(), 2);
}

TEST(HDTrackTest, RecordStreamArmsEveryTrackAndTracksLeaveTheList)
{
    TempFolder folder;
    CHDTrackList list;
    auto* a = new CHDTrackMachine(&Host(), &list, true);
    auto* b = new CHDTrackMachine(&Host(), &list, false);
    auto* c = new CHDTrackMachine(&Host(), &list, true);
    a->Track()->SetFile(folder / "a.wav", CHDTrack::FORMAT_FLOAT);
    b->Track()->SetFile(folder / "b.wav", CHDTrack::FORMAT_PCM16);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Track(1), b->Track());
    list.OpenAll();
    EXPECT_TRUE(a->Track()->IsRecording());
    EXPECT_TRUE(b->Track()->IsRecording());
    EXPECT_FALSE(c->Track()->IsRecording()) << "no file chosen";
    Play(*a, 512);
    Play(*b, 512);
    // Removing a machine closes its recording with a valid header.
    delete b;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Track(1), c->Track());
    list.CloseAll();
    EXPECT_FALSE(a->Track()->IsRecording());
    list.Writer().Flush();
    EXPECT_EQ(U32(ReadBytes(folder / "a.wav"), 40), 8u * 512);
    EXPECT_EQ(U32(ReadBytes(folder / "b.wav"), 40), 2u * 512);
    delete a;
    delete c;
    EXPECT_EQ(list.Count(), 0);
}

TEST(HDTrackTest, RecordingLeftArmedIsClosedWhenTheProgramEnds)
{
    TempFolder folder;
    std::string path = folder / "armed.wav";
    auto list = std::make_unique<CHDTrackList>();
    // A slow disk: at shutdown the whole recording is still in the ring.
    list->Writer().SetWriteDelayMs(200);
    auto* machine = new CHDTrackMachine(&Host(), list.get(), true);
    machine->Track()->SetFile(path, CHDTrack::FORMAT_FLOAT);
    ASSERT_TRUE(Arm(*machine->Track()));
    Play(*machine, 2048);
    // Shutdown: the machines go with the studio, then the list with its
    // disk thread, which must not leave before the file is complete.
    delete machine;
    list.reset();
    std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 8u * 2048);
    EXPECT_EQ(U32(file, 40), 8u * 2048);
    EXPECT_EQ(U32(file, 4), 36u + 8u * 2048);
}

TEST(HDTrackTest, SizeLimitClosesTheFileAtTheLimitAndTells)
{
    TempFolder folder;
    TakeMessages();
    CHDTrackList list;
    list.Writer().SetMessageHandler(Collect);
    CHDTrackMachine machine(&Host(), &list, true);
    machine.SetName("Limit");
    std::string path = folder / "limit.wav";
    machine.Track()->SetFile(path, CHDTrack::FORMAT_PCM16);
    machine.Track()->SetDataLimit(4 * 1000 + 3); // 1000 whole frames
    ASSERT_TRUE(Arm(*machine.Track()));
    Play(machine, 2048);
    EXPECT_FALSE(machine.Track()->IsRecording());
    EXPECT_EQ(machine.Track()->GetFrames(), 1000);
    list.Writer().Flush();
    std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_EQ(file.size(), 44u + 4000u);
    EXPECT_EQ(U32(file, 40), 4000u);
    std::vector<std::string> told = TakeMessages();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "HD Track 'Limit': Recording <" + path +
                           "> Reached The 4 GiB Limit Of A WAV File And Was Closed");
}

TEST(HDTrackTest, FailedWriteStopsTheTrackWithAValidFile)
{
    TempFolder folder;
    TakeMessages();
    CHDTrackList list;
    list.Writer().SetMessageHandler(Collect);
    CHDTrackMachine machine(&Host(), &list, true);
    machine.SetName("Full");
    std::string path = folder / "full.wav";
    machine.Track()->SetFile(path, CHDTrack::FORMAT_FLOAT);
    // A file size limit stands in for a full disk: writes beyond it fail
    // with EFBIG (the signal it would raise is ignored).
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 44 + 8 * 1000 + 5;
    auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ASSERT_TRUE(Arm(*machine.Track()));
    Play(machine, 4096);
    list.Writer().Flush();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);

    EXPECT_FALSE(machine.Track()->IsRecording());
    std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_GE(file.size(), 44u);
    uint32_t data = U32(file, 40);
    EXPECT_EQ(file.size(), 44u + data) << "the header describes exactly what is in the file";
    EXPECT_EQ(data % 8, 0u);
    EXPECT_LE(data, 8u * 1000);
    EXPECT_EQ(U32(file, 4), 36 + data);
    std::vector<std::string> told = TakeMessages();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("HD Track 'Full': Writing <" + path + "> Failed (", 0), 0u) << told[0];
}

TEST(HDTrackTest, RenderThreadNeverWaitsForASlowDisk)
{
    TempFolder folder;
    TakeMessages();
    CHDTrackList list;
    list.Writer().SetMessageHandler(Collect);
    CHDTrackMachine machine(&Host(), &list, true);
    std::string path = folder / "slow.wav";
    machine.Track()->SetFile(path, CHDTrack::FORMAT_FLOAT);
    // Every pass of the disk thread now takes a minute: if blocks waited for
    // the disk, the loop below would not finish within the test's time.
    list.Writer().SetWriteDelayMs(60000);
    ASSERT_TRUE(Arm(*machine.Track()));
    Play(machine, 256 * 1000);
    EXPECT_TRUE(machine.Track()->IsRecording());
    EXPECT_LE(ReadBytes(path).size(), 44u + 8u * 256) << "the disk really was held up";
    // Past the ring's room the recording gives up rather than wait.
    Play(machine, 256 * 2000);
    EXPECT_FALSE(machine.Track()->IsRecording());
    list.Writer().SetWriteDelayMs(0);
    list.Writer().Flush();
    std::vector<uint8_t> file = ReadBytes(path);
    EXPECT_EQ(file.size(), 44u + U32(file, 40));
    EXPECT_GT(U32(file, 40), 8u * 256 * 1000);
    std::vector<std::string> told = TakeMessages();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("The Disk Could Not Keep Up"), std::string::npos);
}
