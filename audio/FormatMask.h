#pragma once
#include <cstdint>
#include <string>

// A set of output formats in the layout of the waveOut capability flags:
// five nibbles, one per sample rate (11025, 22050, 44100, 48000, 96000 Hz
// from the lowest), and in each nibble one bit per sample type (1 mono
// 8-bit, 2 stereo 8-bit, 4 mono 16-bit, 8 stereo 16-bit).
using FormatMask = uint32_t;

inline constexpr FormatMask kAllFormats = 0xFFFFF;

struct AudioFormat {
    int32_t sampleRate;
    int32_t bits;
    bool stereo;
};

// The lowest non-empty nibble gives the rate; within it, values below 4 are
// 8-bit and 2 or 8 are stereo. Raises "Invalid Format" for an empty mask.
AudioFormat DecodeFormat(FormatMask mask);
// The single flag of a format; 0 for a rate or sample size not in the table.
FormatMask EncodeFormat(int32_t sampleRate, int32_t bits, bool stereo);
// "44.1kHz, 16bit, Stereo".
std::string DescribeFormat(FormatMask mask);
// The request itself when it is supported, else the first supported flag of: the requested type at the requested rate and
// the rates above it, then the rates below it; then the same for 16-bit
// stereo, 16-bit mono, 8-bit stereo, 8-bit mono. 0 when none is supported.
FormatMask NearestFormat(FormatMask requested, FormatMask supported);
