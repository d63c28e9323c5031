#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// Thrown by CByteReader when the data ends before what it claims to hold;
// the file readers turn it into their own "Is Corrupt" message.
class CCorruptData : public std::exception {
public:
    const char* what() const noexcept override { return "corrupt data"; }
};

// Little-endian writer into a growing byte array (project files, blobs).
class CByteWriter {
public:
    void Int32(int32_t value);
    void UInt8(uint8_t value) { bytes.push_back(value); }
    void UInt16(uint16_t value) { Little(value, 2); }
    void Float(float value);
    void Double(double value);
    void Bytes(const void* data, size_t size);
    // The text in a zero-padded field of `size` bytes, always NUL-terminated
    // (longer texts are cut to size - 1 bytes).
    void FixedText(const char* text, size_t size);
    // Appends an int32 length and then the bytes of `block`.
    void Block(const CByteWriter& block);

    size_t Size() const { return bytes.size(); }
    const std::vector<uint8_t>& Data() const { return bytes; }

private:
    void Little(uint64_t bits, size_t size);

    std::vector<uint8_t> bytes;
};

// Little-endian reader over bytes it does not own. Every read checks what is
// left first and throws CCorruptData instead of reading past the end, so a
// count or length taken from a file can be checked before anything is
// allocated for it.
class CByteReader {
public:
    CByteReader(const void* data, size_t size) : at(static_cast<const uint8_t*>(data)), left(size) {}

    size_t Remaining() const { return left; }
    int32_t Int32();
    uint8_t UInt8();
    float Float();
    double Double();
    // The next `size` bytes, which stay owned by the data's owner.
    const uint8_t* Bytes(size_t size);
    // A text field of `size` bytes; the text ends at the first NUL or at
    // the end of the field.
    std::string FixedText(size_t size);
    // An int32 length, checked against what is left, then that many bytes
    // as a reader of their own.
    CByteReader Block();
    // A count read from the data that promises at least `itemSize` bytes
    // per item: negative counts and counts that cannot fit are corrupt.
    int32_t Count(size_t itemSize);

private:
    // The next `size` bytes as a little-endian number.
    uint64_t Little(size_t size);
    void Need(size_t size) const
    {
        if (size > left)
            throw CCorruptData();
    }

    const uint8_t* at;
    size_t left;
};
