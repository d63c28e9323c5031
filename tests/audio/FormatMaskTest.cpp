#include "audio/FormatMask.h"
#include "framework/Errors.h"
#include <gtest/gtest.h>

namespace {

std::string RaisedText(FormatMask mask)
{
    try {
        DecodeFormat(mask);
    } catch (const CError& error) {
        return error.Text();
    }
    return "<nothing raised>";
}

void ExpectFormat(FormatMask mask, int32_t rate, int32_t bits, bool stereo)
{
    AudioFormat format = DecodeFormat(mask);
    EXPECT_EQ(format.sampleRate, rate) << std::hex << mask;
    EXPECT_EQ(format.bits, bits) << std::hex << mask;
    EXPECT_EQ(format.stereo, stereo) << std::hex << mask;
}

} // namespace

TEST(FormatMaskTest, DecodesTheLowestNibble)
{
    ExpectFormat(0x800, 44100, 16, true);
    ExpectFormat(0x1, 11025, 8, false);
    ExpectFormat(0x40000, 96000, 16, false);
    ExpectFormat(0x20, 22050, 8, true);
    ExpectFormat(0x8000, 48000, 16, true);
    // Several bits in one nibble: 16-bit (value >= 4), mono (not 2 or 8).
    ExpectFormat(0xF, 11025, 16, false);
    ExpectFormat(0xFFFFF, 11025, 16, false);
    ExpectFormat(0x3, 11025, 8, false);
    // Higher nibbles do not matter once a lower one is set.
    ExpectFormat(0x88800, 44100, 16, true);
    EXPECT_EQ(RaisedText(0), "Invalid Format");
    EXPECT_EQ(RaisedText(0xFFF00000), "Invalid Format");
}

TEST(FormatMaskTest, EncodesOneFlagPerFormat)
{
    EXPECT_EQ(EncodeFormat(44100, 16, true), 0x800u);
    EXPECT_EQ(EncodeFormat(11025, 8, false), 0x1u);
    EXPECT_EQ(EncodeFormat(96000, 16, false), 0x40000u);
    EXPECT_EQ(EncodeFormat(22050, 8, true), 0x20u);
    EXPECT_EQ(EncodeFormat(32000, 16, true), 0u);
    EXPECT_EQ(EncodeFormat(44100, 24, true), 0u);
    for (int32_t rate : {11025, 22050, 44100, 48000, 96000})
        for (int32_t bits : {8, 16})
            for (bool stereo : {false, true}) {
                AudioFormat back = DecodeFormat(EncodeFormat(rate, bits, stereo));
                EXPECT_EQ(back.sampleRate, rate);
                EXPECT_EQ(back.bits, bits);
                EXPECT_EQ(back.stereo, stereo);
            }
}

TEST(FormatMaskTest, DescribesFormatsForTheOptions)
{
    EXPECT_EQ(DescribeFormat(0x800), "44.1kHz, 16bit, Stereo");
    EXPECT_EQ(DescribeFormat(0x1), "11.0kHz, 8bit, Mono");
    EXPECT_EQ(DescribeFormat(0x40000), "96.0kHz, 16bit, Mono");
    EXPECT_EQ(DescribeFormat(0x2000), "48.0kHz, 8bit, Stereo");
}

TEST(FormatMaskTest, NearestFormatPrefersTheTypeThenHigherRatesThenLowerOnes)
{
    // Supported request: unchanged.
    EXPECT_EQ(NearestFormat(0x800, kAllFormats), 0x800u);
    // 44.1k 16-bit stereo on a device with 48k and 22.05k stereo 16-bit:
    // higher rates are tried before lower ones.
    EXPECT_EQ(NearestFormat(0x800, 0x08080), 0x8000u);
    // Only lower rates: the nearest lower one first.
    EXPECT_EQ(NearestFormat(0x8000, 0x00088), 0x80u);
    // The type comes before the rate: 48k 8-bit mono on a device with
    // 8-bit mono at 11.025k and 16-bit stereo at 48k keeps 8-bit mono.
    EXPECT_EQ(NearestFormat(0x1000, 0x08001), 0x1u);
    // Without the type at any rate: 16-bit stereo, then 16-bit mono, then
    // 8-bit stereo, then 8-bit mono.
    EXPECT_EQ(NearestFormat(0x100, 0x40400), 0x400u);   // 16-bit mono at 44.1k beats 16-bit mono at 96k
    EXPECT_EQ(NearestFormat(0x100, 0x20040), 0x40u);    // 16-bit mono at 22.05k beats 8-bit stereo
    EXPECT_EQ(NearestFormat(0x400, 0x22000), 0x2000u);  // 8-bit stereo 48k, the higher rate first
    EXPECT_EQ(NearestFormat(0x4, 0x10000), 0x10000u);   // 8-bit mono as the last resort
    EXPECT_EQ(NearestFormat(0x800, 0), 0u);
    EXPECT_EQ(RaisedText(NearestFormat(0x800, 0)), "Invalid Format");
}
