#include "framework/CAudioBuffer.h"
#include <cstdlib>
#include <cstring>
#include <new>

double* CAudioBuffer::AllocateChannel(int32_t frames)
{
    if (frames <= 0)
        return nullptr;
    size_t bytes = static_cast<size_t>(frames) * sizeof(double) + 16;
    auto* raw = static_cast<unsigned char*>(std::malloc(bytes));
    if (!raw)
        throw std::bad_alloc();
    // At least 8 bytes in front of the aligned start hold the raw address.
    auto aligned = (reinterpret_cast<uintptr_t>(raw) + 16) & ~static_cast<uintptr_t>(15);
    std::memcpy(reinterpret_cast<void*>(aligned - sizeof(void*)), &raw, sizeof(void*));
    return reinterpret_cast<double*>(aligned);
}

void CAudioBuffer::FreeChannel(double* channel)
{
    if (!channel)
        return;
    void* raw;
    std::memcpy(&raw, reinterpret_cast<unsigned char*>(channel) - sizeof(void*), sizeof(void*));
    std::free(raw);
}

CAudioBuffer::CAudioBuffer(int32_t frames, bool isStereo) : stereo(isStereo ? 1 : 0)
{
    Resize(frames);
}

CAudioBuffer::~CAudioBuffer()
{
    FreeChannel(left);
    FreeChannel(right);
}

void CAudioBuffer::Clear()
{
    if (length <= 0)
        return;
    size_t bytes = static_cast<size_t>(length) * sizeof(double);
    if (left)
        std::memset(left, 0, bytes);
    if (right)
        std::memset(right, 0, bytes);
}

void CAudioBuffer::Resize(int32_t frames)
{
    if (frames < 0)
        frames = 0;
    if (frames != length || (frames > 0 && !left)) {
        FreeChannel(left);
        FreeChannel(right);
        left = nullptr;
        right = nullptr;
        left = AllocateChannel(frames);
        if (stereo)
            right = AllocateChannel(frames);
        length = frames;
    }
    Clear();
}
