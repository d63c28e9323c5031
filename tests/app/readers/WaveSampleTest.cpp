// The mono 16-bit WAV reader on files made by sox and on hand-damaged
// copies: the samples it yields and every message it refuses with.
#include "app/readers/CWaveSample.h"
#include "support/RaisedText.h"
#include "support/TempFolder.h"
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void Put16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& out, uint32_t v)
{
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

Bytes Chunk(const char* id, const Bytes& data, bool pad = true)
{
    Bytes out(id, id + 4);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (pad && (data.size() & 1))
        out.push_back(0);
    return out;
}

Bytes Format(uint16_t tag, uint16_t channels, uint16_t bits, size_t size = 16)
{
    Bytes out;
    Put16(out, tag);
    Put16(out, channels);
    Put32(out, 44100);
    Put32(out, 44100u * channels * bits / 8);
    Put16(out, static_cast<uint16_t>(channels * bits / 8));
    Put16(out, bits);
    out.resize(size, 0);
    return out;
}

Bytes Samples(const std::vector<int16_t>& values)
{
    Bytes out;
    for (int16_t v : values)
        Put16(out, static_cast<uint16_t>(v));
    return out;
}

Bytes Wave(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes out{'R', 'I', 'F', 'F'};
    Put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::string Sox(const TempFolder& folder, const std::string& name, const std::string& options)
{
    std::string path = folder / name;
    std::string command = "sox -n -r 8000 " + options + " '" + path + "' synth 0.05 sine 440 vol 0.5 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
}

} // namespace

TEST(WaveSampleTest, ReadsSoxMonoSixteenBitExactly)
{
    TempFolder folder;
    std::string path = Sox(folder, "mono16.wav", "-c 1 -b 16 -e signed-integer");
    Bytes file = ReadBytes(path);
    CWaveSample sample;
    sample.Read(path.c_str());
    // sox writes a 44-byte header: the samples follow it.
    ASSERT_EQ(sample.Count(), static_cast<int32_t>((file.size() - 44) / 2));
    ASSERT_EQ(sample.Count(), 400);
    double peak = 0;
    for (int32_t i = 0; i < sample.Count(); ++i) {
        auto raw = static_cast<int16_t>(file[44 + 2 * i] | (file[45 + 2 * i] << 8));
        ASSERT_DOUBLE_EQ(sample.Samples()[i], raw >= 0 ? raw / 32767.0 : raw / 32768.0);
        peak = std::max(peak, std::abs(sample.Samples()[i]));
    }
    EXPECT_NEAR(peak, 0.5, 0.01);
    EXPECT_EQ(sample.Format().sampleRate, 8000u);
}

TEST(WaveSampleTest, RefusesOtherSoxFormatsWithTheirMessages)
{
    TempFolder folder;
    struct Case {
        const char* name;
        const char* options;
        std::string message;
    };
    std::vector<Case> cases{
        {"stereo16.wav", "-c 2 -b 16 -e signed-integer", "Only Mono WAV Files Supported, <%s> Has 2 Channels"},
        {"mono8.wav", "-c 1 -b 8 -e unsigned-integer", "Only 16 Bit WAV Files Supported, <%s> Is 8-Bit"},
        {"mono24.wav", "-c 1 -b 24 -e signed-integer", "Only 16 Bit WAV Files Supported, <%s> Is 24-Bit"},
        {"stereo32.wav", "-c 2 -b 32 -e signed-integer", "Only 16 Bit WAV Files Supported, <%s> Is 32-Bit"},
        {"float.wav", "-c 1 -b 32 -e floating-point", "Can't Read Non-PCM Format WAV File <%s>"},
        {"float4.wav", "-c 4 -b 32 -e floating-point", "Can't Read Non-PCM Format WAV File <%s>"},
        {"alaw.wav", "-c 1 -e a-law", "Can't Read Non-PCM Format WAV File <%s>"},
    };
    for (const Case& c : cases) {
        std::string path = Sox(folder, c.name, c.options);
        std::string expected = c.message;
        expected.replace(expected.find("%s"), 2, path);
        CWaveSample sample;
        EXPECT_EQ(RaisedText([&] { sample.Read(path.c_str()); }), expected) << c.name;
        EXPECT_EQ(sample.Count(), 0);
    }
}

TEST(WaveSampleTest, ChunkOrderPaddingAndExtremes)
{
    TempFolder folder;
    // "data" before "fmt ", an odd-sized text chunk before both, and a
    // format chunk longer than 16 bytes.
    Bytes bytes = Wave({Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'x'}),
                        Chunk("data", Samples({32767, -32768, 0, 16384})), Chunk("fmt ", Format(1, 1, 16, 18))});
    std::string path = folder / "order.wav";
    WriteBytes(path, bytes);
    CWaveSample sample;
    sample.Read(path.c_str());
    ASSERT_EQ(sample.Count(), 4);
    EXPECT_EQ(sample.Samples()[0], 1.0);
    EXPECT_EQ(sample.Samples()[1], -1.0);
    EXPECT_EQ(sample.Samples()[2], 0.0);
    EXPECT_DOUBLE_EQ(sample.Samples()[3], 16384 / 32767.0);
}

TEST(WaveSampleTest, DamagedFilesGiveTheirMessages)
{
    TempFolder folder;
    Bytes good = Wave({Chunk("fmt ", Format(1, 1, 16)), Chunk("data", Samples({1, 2, 3, 4}))});
    struct Case {
        const char* what;
        Bytes bytes;
        const char* message;
    };
    Bytes dataTooLong = good;
    dataTooLong[40] = 0x40; // the data chunk claims more than remains
    std::vector<Case> cases{
        {"short header", Bytes{'R', 'I', 'F', 'F', 0}, "Unexpected End Of File Reading <%s>"},
        {"not a wave", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "Invalid File Format Reading <%s>"},
        {"no chunks", Wave({}), "Unexpected End Of File Reading <%s>"},
        {"no data", Wave({Chunk("fmt ", Format(1, 1, 16))}), "Unexpected End Of File Reading <%s>"},
        {"small format", Wave({Chunk("fmt ", Format(1, 1, 16, 14))}), "Format Chunk In File <%s> Is Too Small"},
        {"format past the end", Bytes(good.begin(), good.begin() + 30), "Unexpected End Of File Reading <%s>"},
        {"data past the end", dataTooLong, "Unexpected End Of File Reading <%s>"},
        {"other chunk past the end", Wave({Chunk("fmt ", Format(1, 1, 16)), Bytes{'j', 'u', 'n', 'k', 9, 9, 9, 9}}),
         "Unexpected End Of File Reading <%s>"},
        {"missing pad byte", Wave({Chunk("odd ", Bytes{1}, false)}), "Unexpected End Of File Reading <%s>"},
    };
    for (const Case& c : cases) {
        std::string path = folder / "damaged.wav";
        std::string expected = c.message;
        expected.replace(expected.find("%s"), 2, path);
        WriteBytes(path, good);
        CWaveSample sample;
        sample.Read(path.c_str());
        EXPECT_EQ(sample.Count(), 4) << "the good file first";
        WriteBytes(path, c.bytes);
        EXPECT_EQ(RaisedText([&] { sample.Read(path.c_str()); }), expected) << c.what;
        EXPECT_EQ(sample.Count(), 0) << c.what;
    }
    std::string missing = folder / "missing.wav";
    CWaveSample sample;
    EXPECT_EQ(RaisedText([&] { sample.Read(missing.c_str()); }), "Can't Open File <" + missing + ">");
}
