// The RIFF walker and the SoundFont reader on hand-made banks (every
// refusal) and on a real bank checked against an independent reading.
#include "app/readers/CBankReceiver.h"
#include "app/readers/CSoundFontLoader.h"
#include "framework/CHostBankServer.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes out(id, id + 4);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

Bytes List(const char* type, const std::vector<Bytes>& chunks)
{
    Bytes data(type, type + 4);
    for (const Bytes& chunk : chunks)
        data.insert(data.end(), chunk.begin(), chunk.end());
    return Chunk("LIST", data);
}

Bytes Text(const std::string& text)
{
    Bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

Bytes Version(uint16_t major, uint16_t minor)
{
    return {static_cast<uint8_t>(major), static_cast<uint8_t>(major >> 8), static_cast<uint8_t>(minor),
            static_cast<uint8_t>(minor >> 8)};
}

Bytes PresetHeaders(const std::vector<std::string>& names)
{
    Bytes out;
    for (const std::string& name : names) {
        Bytes record(38, 0);
        std::memcpy(record.data(), name.data(), std::min<size_t>(name.size(), 20));
        record[20] = 5; // program
        out.insert(out.end(), record.begin(), record.end());
    }
    Bytes terminal(38, 0);
    std::memcpy(terminal.data(), "EOP", 3);
    out.insert(out.end(), terminal.begin(), terminal.end());
    return out;
}

Bytes Riff(const char* form, const std::vector<Bytes>& chunks)
{
    Bytes data(form, form + 4);
    for (const Bytes& chunk : chunks)
        data.insert(data.end(), chunk.begin(), chunk.end());
    Bytes out{'R', 'I', 'F', 'F'};
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Bank(const std::vector<Bytes>& info, const Bytes& presets)
{
    return Riff("sfbk", {List("INFO", info), List("sdta", {Chunk("smpl", Bytes(10, 0))}),
                         List("pdta", {Chunk("phdr", presets)})});
}

std::vector<Bytes> BasicInfo()
{
    return {Chunk("ifil", Version(2, 1)), Chunk("isng", Text("EMU8000")), Chunk("INAM", Text("Test Bank"))};
}

// Records the report as lines.
struct RecordingReceiver : CBankReceiver {
    std::vector<std::string> lines;
    int32_t failAt = -1;
    bool ended = false;
    int32_t Answer()
    {
        return static_cast<int32_t>(lines.size()) == failAt + 1 ? 42 : 0;
    }
    int32_t Begin() override
    {
        lines.push_back("begin");
        return Answer();
    }
    int32_t AddBank(const char* name, int32_t* item) override
    {
        *item = 3;
        lines.push_back(std::string("bank ") + name);
        return Answer();
    }
    int32_t AddInfo(int32_t item, const char* label, const char* text) override
    {
        lines.push_back(std::to_string(item) + " " + label + "=" + text);
        return Answer();
    }
    int32_t AddPreset(int32_t item, const char* name) override
    {
        lines.push_back(std::to_string(item) + " preset " + name);
        return Answer();
    }
    void End() override { ended = true; }
};

} // namespace

TEST(SoundFontLoaderTest, ReportsInformationInFixedOrderThenPresets)
{
    // The file lists its items out of order; the report has a fixed order.
    Bytes bank = Bank({Chunk("ICMT", Text("odd")), Chunk("ISFT", Text("tool")), Chunk("iver", Version(1, 3)),
                       Chunk("irom", Text("1MGM")), Chunk("INAM", Text("Test Bank")), Chunk("isng", Text("EMU8000")),
                       Chunk("ifil", Version(2, 4)), Chunk("ICOP", Bytes{'c', 'o', 'p', 'y'})},
                      PresetHeaders({"Piano", "A twenty-two char name"}));
    RecordingReceiver receiver;
    CSoundFontLoader loader(&receiver);
    ASSERT_EQ(loader.LoadBankMemory(bank.data(), bank.size()), 0);
    std::vector<std::string> expected{"begin",         "bank Test Bank",   "3 SoundFont Version=2.4",
                                      "3 Sound Engine=EMU8000", "3 ROM=1MGM", "3 ROM Version=1.3",
                                      "3 Copyright=copy", "3 Comment=odd",  "3 Tools=tool",
                                      "3 preset Piano", "3 preset A twenty-two char na"};
    EXPECT_EQ(receiver.lines, expected);
    EXPECT_TRUE(receiver.ended);
    EXPECT_EQ(loader.PresetCount(), 2);
    EXPECT_EQ(loader.Presets()[0].program, 5);
}

TEST(SoundFontLoaderTest, ReceiverRefusalStopsTheReportButEndsIt)
{
    Bytes bank = Bank(BasicInfo(), PresetHeaders({"One", "Two"}));
    RecordingReceiver receiver;
    receiver.failAt = 2; // the first information item
    CSoundFontLoader loader(&receiver);
    EXPECT_EQ(loader.LoadBankMemory(bank.data(), bank.size()), 42);
    EXPECT_EQ(receiver.lines.size(), 3u);
    EXPECT_TRUE(receiver.ended);
}

TEST(SoundFontLoaderTest, RefusesDamagedAndIncompleteBanks)
{
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes good = Bank(BasicInfo(), PresetHeaders({"One"}));
    Bytes longChunk = good;
    longChunk[17] = 0x10; // the INFO list claims 4 KiB more than the file holds
    Bytes truncated(good.begin(), good.end() - 10);
    std::vector<Case> cases{
        {"only the terminal preset", Bank(BasicInfo(), PresetHeaders({}))},
        {"preset headers not a multiple of 38", Bank(BasicInfo(), Bytes(38 * 2 + 1, 0))},
        {"no version", Bank({Chunk("isng", Text("E")), Chunk("INAM", Text("B"))}, PresetHeaders({"P"}))},
        {"no sound engine", Bank({Chunk("ifil", Version(2, 1)), Chunk("INAM", Text("B"))}, PresetHeaders({"P"}))},
        {"no bank name", Bank({Chunk("ifil", Version(2, 1)), Chunk("isng", Text("E"))}, PresetHeaders({"P"}))},
        {"short version", Bank({Chunk("ifil", Bytes{2, 0}), Chunk("isng", Text("E")), Chunk("INAM", Text("B"))},
                               PresetHeaders({"P"}))},
        {"unknown top-level list", Riff("sfbk", {List("INFO", BasicInfo()), List("xxxx", {}),
                                                 List("pdta", {Chunk("phdr", PresetHeaders({"P"}))})})},
        {"list shorter than its type", Riff("sfbk", {Chunk("LIST", Bytes{'I', 'N'})})},
        {"wrong form type", Riff("WAVE", {List("INFO", BasicInfo())})},
        {"chunk past the end", longChunk},
        {"file shorter than its header says", truncated},
        {"header only", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        RecordingReceiver receiver;
        CSoundFontLoader loader(&receiver);
        EXPECT_EQ(loader.LoadBankMemory(c.bytes.data(), c.bytes.size()), 8) << c.what;
        EXPECT_TRUE(receiver.lines.empty()) << c.what;
    }
}

TEST(SoundFontLoaderTest, FileErrorsAndReuse)
{
    TempFolder folder;
    CSoundFontLoader loader;
    EXPECT_EQ(loader.LoadBank((folder / "missing.sf2").c_str()), 7);
    Bytes good = Bank(BasicInfo(), PresetHeaders({"One", "Two", "Three"}));
    std::string path = folder.WriteFile("good.sf2", std::string(good.begin(), good.end()));
    // A size field far beyond the file is refused without reading on.
    Bytes huge = good;
    huge[4] = huge[5] = huge[6] = 0xff;
    std::string hugePath = folder.WriteFile("huge.sf2", std::string(huge.begin(), huge.end()));
    EXPECT_EQ(loader.LoadBank(hugePath.c_str()), 8);
    ASSERT_EQ(loader.LoadBank(path.c_str()), 0);
    EXPECT_EQ(loader.BankName(), "Test Bank");
    EXPECT_EQ(loader.PresetCount(), 3);
    // A failed read of another file leaves nothing of the previous one.
    EXPECT_EQ(loader.LoadBank(hugePath.c_str()), 8);
    EXPECT_EQ(loader.PresetCount(), 0);
    EXPECT_TRUE(loader.Body().empty());
}

TEST(SoundFontLoaderTest, RealBankMatchesAnIndependentReading)
{
    const char* path = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    ASSERT_TRUE(std::filesystem::exists(path)) << "timgm6mb-soundfont is not installed";
    ProgramRun reading = RunProgram(std::string("python3 '") + VELMORA_SOURCE_DIR +
                                    "/tests/app/readers/sf2_walk.py' " + path);
    ASSERT_EQ(reading.status, 0);
    ASSERT_GT(reading.lines.size(), 100u);

    CHostBankServer server;
    CBankServerReceiver receiver(&server);
    CSoundFontLoader loader(&receiver);
    ASSERT_EQ(loader.LoadBank(path), 0);
    ASSERT_FALSE(server.IsLocked());
    ASSERT_EQ(server.GetBankCount(), 1);

    std::vector<std::string> lines;
    auto text = [](int32_t length, auto fill) {
        std::string value(static_cast<size_t>(length) + 1, '\0');
        fill(value.data());
        value.resize(static_cast<size_t>(length));
        return value;
    };
    int32_t length = 0;
    server.Lock();
    server.GetBankNameLength(0, &length);
    lines.push_back("bank\t" + text(length, [&](char* out) { server.GetBankName(0, out); }));
    server.Unlock();
    int32_t count = 0;
    server.GetInformationCount(0, &count);
    for (int32_t i = 0; i < count; ++i) {
        int32_t keyLength, valueLength;
        server.GetInformationKeyLength(0, i, &keyLength);
        server.GetInformationValueLength(0, i, &valueLength);
        std::string value = text(valueLength, [&](char* out) { server.GetInformationValue(0, i, out); });
        std::string escaped;
        for (char c : value)
            escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
        lines.push_back("info\t" + text(keyLength, [&](char* out) { server.GetInformationKey(0, i, out); }) + "\t" +
                        escaped);
    }
    server.GetPresetCount(0, &count);
    for (int32_t i = 0; i < count; ++i) {
        server.GetPresetNameLength(0, i, &length);
        lines.push_back("preset\t" + text(length, [&](char* out) { server.GetPresetName(0, i, out); }));
    }
    lines.push_back("samples\t" + std::to_string(loader.Samples().size()));
    EXPECT_EQ(lines, reading.lines);
}
