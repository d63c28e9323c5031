#pragma once
// A block-long work buffer, 16-byte aligned, allocated when the block size
// is set and never in a work call.
#include "framework/CAudioBuffer.h"
#include <cstdint>
#include <cstring>

class CScratchBuffer {
public:
    CScratchBuffer() = default;
    ~CScratchBuffer() { CAudioBuffer::FreeChannel(data); }
    CScratchBuffer(const CScratchBuffer&) = delete;
    CScratchBuffer& operator=(const CScratchBuffer&) = delete;

    // Reallocates when the length changes; the contents are zero afterwards.
    void Resize(int32_t frames)
    {
        if (frames != length) {
            CAudioBuffer::FreeChannel(data);
            data = nullptr;
            data = CAudioBuffer::AllocateChannel(frames);
            length = frames > 0 ? frames : 0;
        }
        Clear();
    }

    void Clear()
    {
        if (data)
            std::memset(data, 0, sizeof(double) * static_cast<size_t>(length));
    }

    double* Data() { return data; }
    const double* Data() const { return data; }
    int32_t Length() const { return length; }

private:
    double* data = nullptr;
    int32_t length = 0;
};
