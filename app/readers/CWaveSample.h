#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The format fields of a WAV file's "fmt " chunk.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

// A mono 16-bit PCM WAV file read into doubles in -1 ... 1. A file that
// cannot be read raises a CError whose text names the file and the reason;
// the previous samples are gone either way.
class CWaveSample {
public:
    void Read(const char* path);
    // The same for a file image in memory; the path only names it in messages.
    void ReadMemory(const uint8_t* bytes, size_t length, const char* path);

    int32_t Count() const { return static_cast<int32_t>(samples.size()); }
    const double* Samples() const { return samples.data(); }
    const WaveFormat& Format() const { return format; }

private:
    std::vector<double> samples;
    WaveFormat format;
};
