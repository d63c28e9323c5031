#include "framework/ByteStream.h"
#include <cstring>

void CByteWriter::Little(uint64_t bits, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void CByteWriter::Int32(int32_t value)
{
    Little(static_cast<uint32_t>(value), 4);
}

void CByteWriter::Float(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Int32(static_cast<int32_t>(bits));
}

void CByteWriter::Double(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    Little(bits, 8);
}

void CByteWriter::Bytes(const void* data, size_t size)
{
    if (size == 0)
        return;
    auto* from = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), from, from + size);
}

void CByteWriter::FixedText(const char* text, size_t size)
{
    if (size == 0)
        return;
    size_t length = text ? strnlen(text, size - 1) : 0;
    Bytes(text, length);
    bytes.insert(bytes.end(), size - length, 0);
}

void CByteWriter::Block(const CByteWriter& block)
{
    Int32(static_cast<int32_t>(block.Size()));
    Bytes(block.bytes.data(), block.Size());
}

uint64_t CByteReader::Little(size_t size)
{
    Need(size);
    uint64_t bits = 0;
    for (size_t i = 0; i < size; ++i)
        bits |= static_cast<uint64_t>(at[i]) << (8 * i);
    at += size;
    left -= size;
    return bits;
}

int32_t CByteReader::Int32()
{
    return static_cast<int32_t>(static_cast<uint32_t>(Little(4)));
}

uint8_t CByteReader::UInt8()
{
    Need(1);
    uint8_t value = *at++;
    --left;
    return value;
}

float CByteReader::Float()
{
    auto bits = static_cast<uint32_t>(Int32());
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

double CByteReader::Double()
{
    const uint64_t bits = Little(8);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

const uint8_t* CByteReader::Bytes(size_t size)
{
    Need(size);
    const uint8_t* start = at;
    at += size;
    left -= size;
    return start;
}

std::string CByteReader::FixedText(size_t size)
{
    const auto* field = reinterpret_cast<const char*>(Bytes(size));
    return std::string(field, strnlen(field, size));
}

CByteReader CByteReader::Block()
{
    int32_t length = Int32();
    if (length < 0)
        throw CCorruptData();
    const uint8_t* start = Bytes(static_cast<size_t>(length));
    return CByteReader(start, static_cast<size_t>(length));
}

int32_t CByteReader::Count(size_t itemSize)
{
    int32_t count = Int32();
    if (count < 0 || (itemSize > 0 && static_cast<size_t>(count) > left / itemSize))
        throw CCorruptData();
    return count;
}
