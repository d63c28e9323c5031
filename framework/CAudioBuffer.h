#pragma once
#include <cstdint>

// Planar 64-bit audio of one block: left (or only) and right channels, each
// 16-byte aligned for vector arithmetic.
class CAudioBuffer {
public:
    CAudioBuffer(int32_t frames, bool stereo);
    virtual ~CAudioBuffer();
    CAudioBuffer(const CAudioBuffer&) = delete;
    CAudioBuffer& operator=(const CAudioBuffer&) = delete;

    virtual void Clear();
    // Reallocates only when the length changes; clears in every case.
    virtual void Resize(int32_t frames);

    double* left = nullptr;
    double* right = nullptr;
    uint8_t stereo = 0;
    int32_t length = 0;

    // An aligned channel array; the allocation's own address sits in the
    // 8 bytes before the aligned start.
    static double* AllocateChannel(int32_t frames);
    static void FreeChannel(double* channel);
};
