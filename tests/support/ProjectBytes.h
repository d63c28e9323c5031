#pragma once
// Project files written by hand, field by field, for any file version.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ProjectBytes {
    std::vector<uint8_t> bytes;

    ProjectBytes& I32(int32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
        return *this;
    }
    ProjectBytes& U8(uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    ProjectBytes& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return I32(static_cast<int32_t>(bits));
    }
    ProjectBytes& F64(double value)
    {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
        return *this;
    }
    ProjectBytes& Raw(const std::vector<uint8_t>& raw)
    {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    // A zero-padded text field.
    ProjectBytes& Text(const std::string& text, size_t size)
    {
        std::vector<uint8_t> field(size, 0);
        std::memcpy(field.data(), text.data(), std::min(text.size(), size));
        return Raw(field);
    }
    // Length-prefixed.
    ProjectBytes& Block(const ProjectBytes& block)
    {
        I32(static_cast<int32_t>(block.bytes.size()));
        return Raw(block.bytes);
    }

    ProjectBytes& Header(uint8_t major, uint8_t minor, float tempo)
    {
        bytes.insert(bytes.end(), {0x20, 0x50, 0x4D, 0x56}); // "VMP "
        return U8(major).U8(minor).F32(tempo);
    }
    ProjectBytes& Machine(const std::string& name, const std::string& type, int32_t x, int32_t y, int32_t gui = 0,
                          const std::vector<uint8_t>& state = {}, bool parameterList = true)
    {
        Text(name, 1024).Text(type, 1024).I32(x).I32(y).I32(gui).I32(static_cast<int32_t>(state.size()));
        return U8(parameterList ? 1 : 0).Raw(state);
    }
    // A pattern record with notes {start, length, pitch} and no tracks.
    ProjectBytes& Pattern(int32_t number, int32_t length, const std::string& name, int32_t machine, int32_t port,
                          const std::vector<std::vector<int32_t>>& notes = {})
    {
        I32(number).I32(length).Text(name, 1024).I32(static_cast<int32_t>(notes.size())).I32(0).I32(machine).I32(port);
        for (const auto& note : notes)
            I32(note[0]).I32(note[1]).I32(note[2]);
        return *this;
    }
    // Information text with its NUL.
    ProjectBytes& Information(const std::string& text)
    {
        I32(static_cast<int32_t>(text.size() + 1));
        Raw(std::vector<uint8_t>(text.begin(), text.end()));
        return U8(0);
    }
};

// An empty block: an int32 count of 0.
inline ProjectBytes NoItems()
{
    return ProjectBytes().I32(0);
}

// 120 BPM, 4 ticks per beat (5512 frames per tick at 44100 Hz): the master
// and a "ZT Test Steps" machine of the test machine library feeding it, with
// the patterns "Riff" (1 unit: pitch 60 from tick 0 and 64 from tick 2, one
// tick each) and "Long" (2 units: 48 from its tick 3 for two ticks), placed
// on the song at the units `riffAt` and `longAt` of a song `length` units long.
inline std::vector<uint8_t> StepsProject(int32_t length, int32_t riffAt, int32_t longAt)
{
    ProjectBytes file;
    file.Header(4, 0, 120.0f).F32(4.0f).I32(2);
    file.Machine("Master", "Master", 32, 32, 0, ProjectBytes().I32(0x50483634).I32(0).bytes);
    file.Machine("Steps 1", "VelmPlug::ZT Test Steps", 100, 100);
    file.Block(ProjectBytes().I32(1).I32(1).I32(1).I32(0).I32(0).F64(1.0)).Block(NoItems());
    file.Block(NoItems());
    file.Block(ProjectBytes()
                   .I32(2)
                   .Pattern(0, 1, "Riff", 1, 0, {{0, 1, 60}, {2, 1, 64}})
                   .Pattern(1, 2, "Long", 1, 0, {{3, 2, 48}}));
    file.Block(ProjectBytes().I32(length).I32(1).I32(0).I32(2).I32(riffAt).I32(0).I32(longAt).I32(1));
    return file.Information("").bytes;
}
