#include "audio/FormatMask.h"
#include "framework/Errors.h"

namespace {

constexpr int32_t kRates[] = {11025, 22050, 44100, 48000, 96000};
constexpr int kRateCount = 5;

enum TypeBit : uint32_t { MONO_8 = 1, STEREO_8 = 2, MONO_16 = 4, STEREO_16 = 8 };

uint32_t TypeBitOf(int32_t bits, bool stereo)
{
    if (bits == 8)
        return stereo ? STEREO_8 : MONO_8;
    return stereo ? STEREO_16 : MONO_16;
}

int RateIndex(int32_t sampleRate)
{
    for (int r = 0; r < kRateCount; ++r) {
        if (kRates[r] == sampleRate)
            return r;
    }
    return -1;
}

FormatMask Flag(int rateIndex, uint32_t typeBit)
{
    return typeBit << (4 * rateIndex);
}

} // namespace

AudioFormat DecodeFormat(FormatMask mask)
{
    for (int r = 0; r < kRateCount; ++r) {
        uint32_t nibble = (mask >> (4 * r)) & 0xF;
        if (nibble == 0)
            continue;
        return AudioFormat{kRates[r], nibble < 4 ? 8 : 16, nibble == 2 || nibble == 8};
    }
    Raise("Invalid Format");
}

FormatMask EncodeFormat(int32_t sampleRate, int32_t bits, bool stereo)
{
    int r = RateIndex(sampleRate);
    if (r < 0 || (bits != 8 && bits != 16))
        return 0;
    return Flag(r, TypeBitOf(bits, stereo));
}

std::string DescribeFormat(FormatMask mask)
{
    AudioFormat format = DecodeFormat(mask);
    return FormatText("%0.1fkHz, %ibit, %s", format.sampleRate / 1000.0, format.bits, format.stereo ? "Stereo" : "Mono");
}

FormatMask NearestFormat(FormatMask requested, FormatMask supported)
{
    AudioFormat format = DecodeFormat(requested);
    if ((requested & supported) == requested)
        return requested;
    const int start = RateIndex(format.sampleRate);
    const uint32_t types[] = {TypeBitOf(format.bits, format.stereo), STEREO_16, MONO_16, STEREO_8, MONO_8};
    for (uint32_t type : types) {
        for (int r = start; r < kRateCount; ++r) {
            if (supported & Flag(r, type))
                return Flag(r, type);
        }
        for (int r = start - 1; r >= 0; --r) {
            if (supported & Flag(r, type))
                return Flag(r, type);
        }
    }
    return 0;
}
