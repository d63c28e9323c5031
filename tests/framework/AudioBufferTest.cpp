#include "framework/CAudioBuffer.h"
#include <cstdint>
#include <gtest/gtest.h>

namespace {

bool Aligned16(const double* p)
{
    return (reinterpret_cast<uintptr_t>(p) & 15) == 0;
}

} // namespace

TEST(AudioBufferTest, ChannelsAreAlignedAndCleared)
{
    for (int32_t frames : {1, 7, 64, 256, 1000}) {
        CAudioBuffer stereo(frames, true);
        ASSERT_NE(stereo.left, nullptr);
        ASSERT_NE(stereo.right, nullptr);
        EXPECT_TRUE(Aligned16(stereo.left));
        EXPECT_TRUE(Aligned16(stereo.right));
        EXPECT_EQ(stereo.length, frames);
        for (int32_t i = 0; i < frames; ++i) {
            ASSERT_EQ(stereo.left[i], 0.0);
            ASSERT_EQ(stereo.right[i], 0.0);
        }
    }
    CAudioBuffer mono(32, false);
    EXPECT_NE(mono.left, nullptr);
    EXPECT_EQ(mono.right, nullptr);
}

TEST(AudioBufferTest, ResizeToTheSameLengthStillClears)
{
    CAudioBuffer buffer(16, true);
    double* left = buffer.left;
    for (int32_t i = 0; i < 16; ++i) {
        buffer.left[i] = 1.0;
        buffer.right[i] = -1.0;
    }
    buffer.Resize(16);
    EXPECT_EQ(buffer.left, left) << "same length must not reallocate";
    for (int32_t i = 0; i < 16; ++i) {
        EXPECT_EQ(buffer.left[i], 0.0);
        EXPECT_EQ(buffer.right[i], 0.0);
    }
}

TEST(AudioBufferTest, ResizeChangesLengthAndZeroLeavesNoArrays)
{
    CAudioBuffer buffer(16, true);
    buffer.Resize(4096);
    EXPECT_EQ(buffer.length, 4096);
    EXPECT_TRUE(Aligned16(buffer.left));
    EXPECT_TRUE(Aligned16(buffer.right));
    buffer.left[4095] = 0.5; // writable to the end
    buffer.Resize(0);
    EXPECT_EQ(buffer.length, 0);
    EXPECT_EQ(buffer.left, nullptr);
    EXPECT_EQ(buffer.right, nullptr);
    buffer.Clear(); // nothing to clear, nothing to crash
    buffer.Resize(8);
    EXPECT_NE(buffer.right, nullptr);
}
