#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Writes a WAV file of 32-bit IEEE float samples, interleaved, any channel
// count. The samples go to a temporary file beside the target, which
// replaces the target only when Finish succeeds: a failed render leaves no
// half-written file under the target's name.
class CWaveFileWriter {
public:
    // Raises "Failed To Open File '%s' For Writing".
    CWaveFileWriter(const std::string& path, int32_t channels, int32_t sampleRate);
    // Without Finish, the temporary file is removed.
    ~CWaveFileWriter();
    CWaveFileWriter(const CWaveFileWriter&) = delete;
    CWaveFileWriter& operator=(const CWaveFileWriter&) = delete;

    // Planar doubles, one array per channel, narrowed to float.
    void Write(const double* const* channels, int32_t frames);
    // Completes the header and moves the file into place; raises on failure.
    void Finish();

    // The most frames a WAV file of `channels` can hold (its sizes are
    // 32-bit).
    static int64_t MaximumFrames(int32_t channels);

private:
    void WriteHeader();

    std::string path;
    std::string temporary;
    std::FILE* file = nullptr;
    int32_t channels;
    int32_t sampleRate;
    int64_t frameCount = 0;
    bool failed = false;
};
