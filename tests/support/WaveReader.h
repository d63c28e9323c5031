#pragma once
// Reads the WAV files the program writes, independently of its writer:
// every chunk is walked and the format fields are returned as found.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct WaveFile {
    bool valid = false;
    uint16_t format = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint32_t factFrames = 0;
    uint32_t riffSize = 0;
    size_t fileSize = 0;
    std::vector<float> samples; // interleaved

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
    float At(size_t frame, int channel) const { return samples[frame * channels + static_cast<size_t>(channel)]; }
};

inline WaveFile ReadWave(const std::string& path)
{
    WaveFile wave;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wave.fileSize = b.size();
    auto u32 = [&](size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24; };
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return wave;
    wave.riffSize = u32(4);
    bool haveFormat = false;
    bool haveData = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const std::string id(reinterpret_cast<const char*>(b.data() + at), 4);
        const uint32_t size = u32(at + 4);
        const size_t body = at + 8;
        if (body + size > b.size())
            return wave;
        if (id == "fmt ") {
            wave.format = u16(body);
            wave.channels = u16(body + 2);
            wave.sampleRate = u32(body + 4);
            wave.byteRate = u32(body + 8);
            wave.blockAlign = u16(body + 12);
            wave.bits = u16(body + 14);
            haveFormat = true;
        } else if (id == "fact") {
            wave.factFrames = u32(body);
        } else if (id == "data") {
            wave.samples.resize(size / 4);
            std::memcpy(wave.samples.data(), b.data() + body, wave.samples.size() * 4);
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    wave.valid = haveFormat && haveData;
    return wave;
}
