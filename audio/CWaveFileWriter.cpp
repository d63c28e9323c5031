#include "audio/CWaveFileWriter.h"
#include "framework/ByteStream.h"
#include "framework/Errors.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kFloatFormat = 3;
constexpr int32_t kBytesPerSample = 4;
constexpr int32_t kHeaderBytes = 58; // RIFF, fmt (18), fact, data headers
// RIFF sizes are 32-bit.
constexpr int64_t kMaximumDataBytes = 0xFFFFFFFFLL - kHeaderBytes;

void FourCC(CByteWriter& out, const char* code)
{
    out.Bytes(code, 4);
}

} // namespace

CWaveFileWriter::CWaveFileWriter(const std::string& path, int32_t channels, int32_t sampleRate)
    : path(path), temporary(path + ".part"), channels(channels), sampleRate(sampleRate)
{
    file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        Raise("Failed To Open File '%s' For Writing", path.c_str());
    WriteHeader();
}

CWaveFileWriter::~CWaveFileWriter()
{
    if (file) {
        std::fclose(file);
        std::remove(temporary.c_str());
    }
}

int64_t CWaveFileWriter::MaximumFrames(int32_t channels)
{
    return kMaximumDataBytes / (static_cast<int64_t>(channels) * kBytesPerSample);
}

void CWaveFileWriter::WriteHeader()
{
    const int64_t dataBytes = frameCount * channels * kBytesPerSample;
    CByteWriter out;
    FourCC(out, "RIFF");
    out.Int32(static_cast<int32_t>(static_cast<uint32_t>(dataBytes + kHeaderBytes - 8)));
    FourCC(out, "WAVE");
    FourCC(out, "fmt ");
    out.Int32(18);
    out.UInt16(kFloatFormat);
    out.UInt16(static_cast<uint16_t>(channels));
    out.Int32(sampleRate);
    out.Int32(sampleRate * channels * kBytesPerSample);
    out.UInt16(static_cast<uint16_t>(channels * kBytesPerSample));
    out.UInt16(8 * kBytesPerSample);
    out.UInt16(0); // no extension
    FourCC(out, "fact");
    out.Int32(4);
    out.Int32(static_cast<int32_t>(static_cast<uint32_t>(frameCount)));
    FourCC(out, "data");
    out.Int32(static_cast<int32_t>(static_cast<uint32_t>(dataBytes)));
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fwrite(out.Data().data(), 1, out.Size(), file) != out.Size())
        failed = true;
}

void CWaveFileWriter::Write(const double* const* samples, int32_t frames)
{
    if (failed || frames <= 0)
        return;
    if (frameCount + frames > MaximumFrames(channels)) {
        failed = true;
        return;
    }
    std::vector<float> interleaved(static_cast<size_t>(frames) * static_cast<size_t>(channels));
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t c = 0; c < channels; ++c)
            interleaved[static_cast<size_t>(i * channels + c)] = static_cast<float>(samples[c][i]);
    }
    if (std::fseek(file, 0, SEEK_END) != 0 ||
        std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), file) != interleaved.size()) {
        failed = true;
        return;
    }
    frameCount += frames;
}

void CWaveFileWriter::Finish()
{
    WriteHeader();
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (failed || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        Raise("Failed To Write File '%s'", path.c_str());
    }
}
