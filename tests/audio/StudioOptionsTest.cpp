#include "audio/CStudioOptions.h"
#include "platform/OsPaths.h"
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// A private configuration folder for each test.
class StudioOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/velmora-options-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        config = root / "config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        file = config / "Velmora Studio" / "Velmora.opt";
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteBytes(const std::vector<unsigned char>& bytes)
    {
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<unsigned char> ReadBytes()
    {
        std::ifstream in(file, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }

    fs::path root;
    fs::path config;
    fs::path file;
};

// Little-endian file images written by hand.
struct Image {
    Image& Int(int32_t value)
    {
        unsigned char b[4];
        std::memcpy(b, &value, 4);
        bytes.insert(bytes.end(), b, b + 4);
        return *this;
    }
    Image& Text(const std::string& text)
    {
        Int(static_cast<int32_t>(text.size() + 1));
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
        return *this;
    }
    std::vector<unsigned char> bytes;
};

constexpr int32_t kMagic = 0x566D4F70;

} // namespace

TEST_F(StudioOptionsTest, AFreshUserGetsTheDefaults)
{
    CStudioOptions options;
    options.outputDriver = 2;
    options.Read();
    EXPECT_EQ(options.outputDriver, -1);
    EXPECT_EQ(options.dialogWidth, 0);
    EXPECT_EQ(options.dialogHeight, 0);
    EXPECT_EQ(options.nullBufferSize, 512);
    EXPECT_EQ(options.nullFormat, 0x800);
    EXPECT_EQ(options.waveOutDevice, 0);
    EXPECT_EQ(options.waveOutBufferSize, 512);
    EXPECT_EQ(options.waveOutFormat, 0x800);
    EXPECT_EQ(options.asioDriver, 0);
    EXPECT_EQ(options.asioRate, 4);
    // The two program-relative VST folders lead the default paths.
    ASSERT_GE(options.pluginPaths.size(), 2u);
    fs::path above = fs::path(platform::ProgramFolder()).parent_path();
    EXPECT_EQ(options.pluginPaths[0], (above / "x86" / "VST").string());
    EXPECT_EQ(options.pluginPaths[1], (above / "x64" / "VST").string());
    EXPECT_EQ(options.pluginPaths, platform::DefaultPluginPaths());
    EXPECT_FALSE(fs::exists(config)); // reading creates nothing
}

TEST_F(StudioOptionsTest, WritingAndReadingBackGivesTheSameRecord)
{
    CStudioOptions written;
    written.dialogWidth = 700;
    written.dialogHeight = 400;
    written.outputDriver = 2;
    written.nullBufferSize = 1024;
    written.nullFormat = 0x8000;
    written.waveOutDevice = 3;
    written.waveOutBufferSize = 4096;
    written.waveOutFormat = 0x400;
    written.asioDriver = 1;
    written.asioBufferSize = 256;
    written.asioRate = 8;
    written.pluginPaths = {"/opt/z", "/opt/a", "", "/home/user/plug ins/ü"};
    ASSERT_TRUE(written.Write());
    ASSERT_TRUE(fs::exists(file));

    CStudioOptions read;
    read.Read();
    EXPECT_EQ(read, written);

    // The exact layout: magic, version 3, nine fields, dialog size, paths.
    std::vector<unsigned char> bytes = ReadBytes();
    Image expected;
    expected.Int(kMagic).Int(3).Int(2).Int(1024).Int(0x8000).Int(3).Int(4096).Int(0x400).Int(1).Int(256).Int(8);
    expected.Int(700).Int(400).Int(4).Text("/opt/z").Text("/opt/a").Text("").Text("/home/user/plug ins/ü");
    EXPECT_EQ(bytes, expected.bytes);
    EXPECT_EQ(bytes[0], 0x70);
    EXPECT_EQ(bytes[3], 0x56);

    // Rewriting replaces the file whole and leaves no temporary file.
    written.pluginPaths = {"/x"};
    ASSERT_TRUE(written.Write());
    read.Read();
    EXPECT_EQ(read.pluginPaths, std::vector<std::string>{"/x"});
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(StudioOptionsTest, OlderVersionsAreRead)
{
    // Version 1: no dialog size after the nine fields.
    WriteBytes(Image().Int(kMagic).Int(1).Int(1).Int(2048).Int(0x1).Int(2).Int(1024).Int(0x800).Int(0).Int(128).Int(16)
                   .Int(1).Text("/v1").bytes);
    CStudioOptions options;
    options.Read();
    EXPECT_EQ(options.outputDriver, 1);
    EXPECT_EQ(options.nullBufferSize, 2048);
    EXPECT_EQ(options.nullFormat, 0x1);
    EXPECT_EQ(options.waveOutDevice, 2);
    EXPECT_EQ(options.asioBufferSize, 128);
    EXPECT_EQ(options.asioRate, 16);
    EXPECT_EQ(options.dialogWidth, 0);
    EXPECT_EQ(options.pluginPaths, std::vector<std::string>{"/v1"});

    // Version 2 had no null driver: its driver indices move up by one.
    for (int32_t stored : {0, 1}) {
        WriteBytes(Image().Int(kMagic).Int(2).Int(stored).Int(5).Int(8192).Int(0x100).Int(3).Int(512).Int(2)
                       .Int(640).Int(320).Int(0).bytes);
        options.nullBufferSize = 4096;
        options.Read();
        EXPECT_EQ(options.outputDriver, stored + 1);
        EXPECT_EQ(options.nullBufferSize, 512);
        EXPECT_EQ(options.nullFormat, 2048);
        EXPECT_EQ(options.waveOutDevice, 5);
        EXPECT_EQ(options.waveOutBufferSize, 8192);
        EXPECT_EQ(options.waveOutFormat, 0x100);
        EXPECT_EQ(options.asioDriver, 3);
        EXPECT_EQ(options.asioBufferSize, 512);
        EXPECT_EQ(options.asioRate, 2);
        EXPECT_EQ(options.dialogWidth, 640);
        EXPECT_EQ(options.dialogHeight, 320);
        // n = 0 replaces the default paths with nothing.
        EXPECT_TRUE(options.pluginPaths.empty());
    }
    // An index version 2 never had (the largest one overflowed when moved
    // up) keeps the default choice.
    WriteBytes(Image().Int(kMagic).Int(2).Int(0x7fffffff).Int(5).bytes);
    options.Read();
    EXPECT_EQ(options.outputDriver, CStudioOptions().outputDriver);
    EXPECT_EQ(options.waveOutDevice, 5);

    // A later version reads as version 3; version 0 keeps the defaults.
    WriteBytes(Image().Int(kMagic).Int(4).Int(0).Int(1024).Int(0x800).Int(0).Int(512).Int(0x800).Int(0).Int(0).Int(4)
                   .Int(1).Int(2).Int(0).bytes);
    options.Read();
    EXPECT_EQ(options.outputDriver, 0);
    EXPECT_EQ(options.dialogHeight, 2);
    WriteBytes(Image().Int(kMagic).Int(0).Int(2).Int(1024).bytes);
    options.Read();
    EXPECT_EQ(options, CStudioOptions());
}

TEST_F(StudioOptionsTest, AForeignFileKeepsEveryDefault)
{
    WriteBytes(Image().Int(0x12345678).Int(3).Int(2).Int(1024).Int(0x800).Int(0).Int(512).Int(0x800).Int(0).Int(0)
                   .Int(4).Int(1).Int(2).Int(0).bytes);
    CStudioOptions options;
    options.Read();
    EXPECT_EQ(options, CStudioOptions());
    WriteBytes({0x70, 0x4F, 0x6D}); // shorter than the header
    options.Read();
    EXPECT_EQ(options, CStudioOptions());
}

TEST_F(StudioOptionsTest, DamagedFilesKeepTheDefaultsForWhatCouldNotBeRead)
{
    Image whole;
    whole.Int(kMagic).Int(3).Int(2).Int(1024).Int(0x8000).Int(3).Int(4096).Int(0x400).Int(1).Int(256).Int(8);
    whole.Int(700).Int(400).Int(2).Text("/first").Text("/second");
    const CStudioOptions defaults;

    // Cut after the driver field and one byte into the next.
    std::vector<unsigned char> cut(whole.bytes.begin(), whole.bytes.begin() + 14);
    WriteBytes(cut);
    CStudioOptions options;
    options.Read();
    EXPECT_EQ(options.outputDriver, 2);
    EXPECT_EQ(options.nullBufferSize, defaults.nullBufferSize);
    EXPECT_EQ(options.pluginPaths, defaults.pluginPaths);

    // Cut inside the second path: the fields stand, the list is not half
    // replaced.
    cut.assign(whole.bytes.begin(), whole.bytes.end() - 3);
    WriteBytes(cut);
    options.Read();
    EXPECT_EQ(options.asioRate, 8);
    EXPECT_EQ(options.dialogHeight, 400);
    EXPECT_EQ(options.pluginPaths, defaults.pluginPaths);

    // Implausible counts and lengths: a path of 2 GB, more paths than bytes,
    // a negative count, a zero length.
    Image head;
    head.Int(kMagic).Int(3).Int(0).Int(1024).Int(0x800).Int(0).Int(512).Int(0x800).Int(0).Int(0).Int(4).Int(0).Int(0);
    for (Image tail : {Image().Int(1).Int(0x7fffffff).Int(0x41414141), Image().Int(1000000).Text("/only"),
                       Image().Int(-1).Text("/only"), Image().Int(1).Int(0), Image().Int(0x7fffffff)}) {
        std::vector<unsigned char> bytes = head.bytes;
        bytes.insert(bytes.end(), tail.bytes.begin(), tail.bytes.end());
        WriteBytes(bytes);
        options.Read();
        EXPECT_EQ(options.outputDriver, 0);
        EXPECT_EQ(options.pluginPaths, defaults.pluginPaths);
    }

    // A path without its NUL ends at its length.
    std::vector<unsigned char> bytes = head.bytes;
    Image raw;
    raw.Int(1).Int(3);
    bytes.insert(bytes.end(), raw.bytes.begin(), raw.bytes.end());
    bytes.insert(bytes.end(), {'/', 'a', 'b'});
    WriteBytes(bytes);
    options.Read();
    EXPECT_EQ(options.pluginPaths, std::vector<std::string>{"/ab"});
}

TEST_F(StudioOptionsTest, WithoutAConfigurationFolderNothingIsReadOrWritten)
{
    const char* home = std::getenv("HOME");
    std::string savedHome = home ? home : "";
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(CStudioOptions::Location(), "");
    CStudioOptions options;
    options.outputDriver = 1;
    EXPECT_FALSE(options.Write());
    options.Read();
    EXPECT_EQ(options.outputDriver, -1);
    if (home)
        setenv("HOME", savedHome.c_str(), 1);

    // Without XDG_CONFIG_HOME the folder is ~/.config.
    setenv("HOME", root.c_str(), 1);
    EXPECT_EQ(CStudioOptions::Location(), (root / ".config" / "Velmora Studio" / "Velmora.opt").string());
    if (home)
        setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(StudioOptionsTest, AFailedWriteLeavesWhatWasThere)
{
    // A folder where the file should go: the final rename cannot replace it.
    fs::path target = root / "Velmora.opt";
    fs::create_directories(target / "inside");
    CStudioOptions options;
    EXPECT_FALSE(options.WriteTo(target.string()));
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
}
