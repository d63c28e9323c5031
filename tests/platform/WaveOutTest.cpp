#include "support/AudioTestEnvironment.h"
#include "platform/OsWaveOut.h"
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

using namespace platform;

namespace {

const bool environment = testenv::UseTestDevices();

WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits)
{
    WaveFormat format{};
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

std::vector<char> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// What the callback saw.
struct Events {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint32_t> messages;
    std::vector<WaveHeader*> done;
    std::vector<std::thread::id> threads;

    static void Callback(HWaveOut, uint32_t message, void* instance, WaveHeader* header)
    {
        auto* events = static_cast<Events*>(instance);
        std::lock_guard lock(events->mutex);
        events->messages.push_back(message);
        if (message == WOM_DONE) {
            EXPECT_TRUE(header->flags & WHDR_DONE);
            EXPECT_FALSE(header->flags & WHDR_INQUEUE);
            events->done.push_back(header);
            events->threads.push_back(std::this_thread::get_id());
        }
        events->changed.notify_all();
    }

    // The n-th block handed back (the callback thread may be appending).
    WaveHeader* Done(size_t n)
    {
        std::lock_guard lock(mutex);
        return done[n];
    }

    bool WaitDone(size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return done.size() >= count; });
    }
};

struct Block {
    std::vector<char> bytes;
    WaveHeader header{};

    Block(size_t size, char fill) : bytes(size, fill)
    {
        header.data = bytes.data();
        header.bufferLength = static_cast<uint32_t>(size);
    }
};

class WaveOutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        capture = testenv::PrivateFolder("waveout") + "/capture.raw";
        setenv("VELMORA_TEST_PCM_FILE", capture.c_str(), 1);
        test = testenv::WaveOutDeviceIndex("velmora_test");
        ASSERT_GE(test, 0);
    }

    std::string capture;
    int test = -1;
};

} // namespace

TEST_F(WaveOutTest, ListsTheConfiguredDevicesWithTheFormatsTheyPlay)
{
    WaveOutCaps caps;
    ASSERT_EQ(WaveOutGetDevCaps(static_cast<uint32_t>(test), &caps), WAVE_NOERROR);
    EXPECT_EQ(caps.description, "Test capture");
    EXPECT_EQ(caps.formats, 0xFFFFFu); // a file takes every format

    int mono = testenv::WaveOutDeviceIndex("velmora_mono");
    ASSERT_GE(mono, 0);
    ASSERT_EQ(WaveOutGetDevCaps(static_cast<uint32_t>(mono), &caps), WAVE_NOERROR);
    EXPECT_EQ(caps.formats, 0x55555u); // mono 8 and 16 bit at every rate

    // A device that does not open when listed is left out; one that opens
    // then is listed, even when it goes away later.
    EXPECT_GE(testenv::WaveOutDeviceIndex("velmora_gone"), 0);
    EXPECT_EQ(testenv::WaveOutDeviceIndex("velmora_broken"), -1);
    EXPECT_EQ(WaveOutGetNumDevs(), 3u);

    EXPECT_EQ(WaveOutGetDevCaps(WaveOutGetNumDevs(), &caps), WAVE_BADDEVICEID);
    EXPECT_EQ(WaveOutGetDevCaps(0, nullptr), WAVE_INVALPARAM);
}

TEST_F(WaveOutTest, PlaysQueuedBlocksInOrderAndReportsEachOnTheFeederThread)
{
    Events events;
    HWaveOut device = nullptr;
    ASSERT_EQ(WaveOutOpen(&device, static_cast<uint32_t>(test), Pcm(2, 44100, 16), Events::Callback, &events),
              WAVE_NOERROR);
    const size_t bytes = 1024 * 4;
    Block first(bytes, 1), second(bytes, 2);
    EXPECT_EQ(WaveOutWrite(device, &first.header), WAVE_UNPREPARED);
    ASSERT_EQ(WaveOutPrepareHeader(device, &first.header), WAVE_NOERROR);
    ASSERT_EQ(WaveOutPrepareHeader(device, &second.header), WAVE_NOERROR);
    ASSERT_EQ(WaveOutWrite(device, &first.header), WAVE_NOERROR);
    ASSERT_EQ(WaveOutWrite(device, &second.header), WAVE_NOERROR);
    ASSERT_TRUE(events.WaitDone(2));
    // Written again once done: a third pass of the first block.
    first.bytes.assign(bytes, 3);
    ASSERT_EQ(WaveOutWrite(device, &first.header), WAVE_NOERROR);
    ASSERT_TRUE(events.WaitDone(3));
    EXPECT_EQ(WaveOutUnprepareHeader(device, &first.header), WAVE_NOERROR);
    EXPECT_EQ(WaveOutUnprepareHeader(device, &second.header), WAVE_NOERROR);
    ASSERT_EQ(WaveOutClose(device), WAVE_NOERROR);

    {
        std::lock_guard lock(events.mutex);
        ASSERT_EQ(events.done.size(), 3u);
        EXPECT_EQ(events.done[0], &first.header);
        EXPECT_EQ(events.done[1], &second.header);
        EXPECT_EQ(events.done[2], &first.header);
        EXPECT_NE(events.threads[0], std::this_thread::get_id());
        EXPECT_EQ(events.threads[0], events.threads[2]);
        EXPECT_EQ(events.messages.front(), WOM_OPEN);
        EXPECT_EQ(events.messages.back(), WOM_CLOSE);
    }
    std::vector<char> captured = ReadFile(capture);
    ASSERT_EQ(captured.size(), 3 * bytes);
    for (size_t i = 0; i < captured.size(); ++i)
        ASSERT_EQ(captured[i], static_cast<char>(1 + i / bytes)) << "at byte " << i;
}

TEST_F(WaveOutTest, ADeviceWithoutAClockOfItsOwnIsPacedInRealTime)
{
    Events events;
    HWaveOut device = nullptr;
    ASSERT_EQ(WaveOutOpen(&device, static_cast<uint32_t>(test), Pcm(1, 11025, 8), Events::Callback, &events),
              WAVE_NOERROR);
    // Eight blocks of 50 ms, two always queued: a sound card would take at
    // least the six that do not fit in its ring, 300 ms.
    Block blocks[2] = {Block(551, 0), Block(551, 0)};
    for (Block& block : blocks) {
        WaveOutPrepareHeader(device, &block.header);
        WaveOutWrite(device, &block.header);
    }
    auto start = std::chrono::steady_clock::now();
    for (size_t n = 1; n <= 6; ++n) {
        ASSERT_TRUE(events.WaitDone(n));
        WaveOutWrite(device, events.Done(n - 1));
    }
    ASSERT_TRUE(events.WaitDone(8));
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(elapsed, 0.2);
    WaveOutReset(device);
    WaveOutClose(device);
}

TEST_F(WaveOutTest, ResetReturnsEveryQueuedBlockAndCloseWaitsForThem)
{
    Events events;
    HWaveOut device = nullptr;
    ASSERT_EQ(WaveOutOpen(&device, static_cast<uint32_t>(test), Pcm(2, 44100, 16), Events::Callback, &events),
              WAVE_NOERROR);
    // Blocks of a second each: the third stays queued behind the ring.
    std::vector<Block> blocks;
    for (int i = 0; i < 4; ++i)
        blocks.emplace_back(44100 * 4, 0);
    for (Block& block : blocks) {
        WaveOutPrepareHeader(device, &block.header);
        WaveOutWrite(device, &block.header);
    }
    EXPECT_EQ(WaveOutClose(device), WAVE_STILLPLAYING);
    EXPECT_EQ(WaveOutUnprepareHeader(device, &blocks[3].header), WAVE_STILLPLAYING);
    ASSERT_EQ(WaveOutReset(device), WAVE_NOERROR);
    {
        std::lock_guard lock(events.mutex);
        EXPECT_EQ(events.done.size(), 4u);
    }
    for (Block& block : blocks) {
        EXPECT_TRUE(block.header.flags & WHDR_DONE);
        EXPECT_EQ(WaveOutUnprepareHeader(device, &block.header), WAVE_NOERROR);
    }
    EXPECT_EQ(WaveOutClose(device), WAVE_NOERROR);
}

TEST_F(WaveOutTest, RefusesWhatCannotPlay)
{
    Events events;
    HWaveOut device = reinterpret_cast<HWaveOut>(1);
    EXPECT_EQ(WaveOutOpen(&device, WaveOutGetNumDevs(), Pcm(2, 44100, 16), Events::Callback, &events),
              WAVE_BADDEVICEID);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(WaveOutOpen(&device, static_cast<uint32_t>(test), Pcm(2, 44100, 24), Events::Callback, &events),
              WAVE_BADFORMAT);
    int mono = testenv::WaveOutDeviceIndex("velmora_mono");
    EXPECT_EQ(WaveOutOpen(&device, static_cast<uint32_t>(mono), Pcm(2, 44100, 16), Events::Callback, &events),
              WAVE_BADFORMAT);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(WaveOutWrite(nullptr, nullptr), WAVE_INVALHANDLE);
    EXPECT_EQ(WaveOutReset(nullptr), WAVE_INVALHANDLE);
    EXPECT_EQ(WaveOutClose(nullptr), WAVE_INVALHANDLE);
}

TEST_F(WaveOutTest, ADeviceThatWentAwayFailsToOpenWithAReason)
{
    int gone = testenv::WaveOutDeviceIndex("velmora_gone");
    ASSERT_GE(gone, 0);
    setenv("VELMORA_TEST_GONE", "hw:77", 1);
    Events events;
    HWaveOut device = nullptr;
    uint32_t result = WaveOutOpen(&device, static_cast<uint32_t>(gone), Pcm(2, 44100, 16), Events::Callback, &events);
    unsetenv("VELMORA_TEST_GONE");
    EXPECT_EQ(result, WAVE_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_STRNE(WaveOutErrorDetail(), "");
    EXPECT_TRUE(events.messages.empty());
}
