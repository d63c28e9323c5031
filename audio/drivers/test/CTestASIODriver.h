#pragma once
#include "audio/ASIOInterface.h"
#include "platform/OsComponent.h"
#include <cstdint>
#include <vector>

// A driver of the low-latency model for automated tests: each class id it
// is asked for gets its own configuration and record. Its buffer switch runs
// on a thread of its own, a few times faster than real time.

struct TestASIOConfig {
    int32_t outputs = 2;
    // Bit 1 = 11025 ... 16 = 96000 Hz: the rates canSampleRate accepts.
    int32_t rateFlags = 4;
    // What getSampleRate answers until a rate is set.
    double currentRate = 44100;
    int32_t minimumSize = 64;
    int32_t maximumSize = 2048;
    int32_t preferredSize = 256;
    int32_t granularity = 1;
    int32_t sampleType = ASIOSTInt32LSB;
    // init fails (as a driver without its device does).
    bool failInit = false;
    // Pause between buffer switches.
    int32_t switchIntervalMs = 1;
    // How many switches keep a copy of the half-buffers they were given.
    int32_t recordedSwitches = 16;
};

// What the driver objects of one class id were asked and given.
struct TestASIORecord {
    int32_t created = 0;
    int32_t released = 0;
    int32_t inits = 0;
    int32_t starts = 0;
    int32_t stops = 0;
    int32_t disposes = 0;
    std::vector<double> ratesSet;
    int32_t bufferChannels = -1;
    int32_t bufferSize = -1;
    std::vector<int32_t> channelNumbers;
    int32_t switches = 0;
    int32_t outputReadies = 0;
    // disposeBuffers came while the driver was running (the host must stop
    // it first).
    bool disposedWhileRunning = false;
    // Per recorded switch: the half-buffer bytes of every channel, channel
    // after channel, as the host left them.
    std::vector<std::vector<uint8_t>> halves;
};

// Untouched half-buffer bytes hold this value.
inline constexpr uint8_t kTestASIOMarker = 0xA5;

extern "C" {
void TestASIOConfigure(const platform::ClassId* classId, const TestASIOConfig* config);
void TestASIORecordOf(const platform::ClassId* classId, TestASIORecord* record);
// Forgets every configuration and record.
void TestASIOForget();
}
