#include "platform/OsFiles.h"
#include "platform/OsPaths.h"
#include "platform/OsProcess.h"
#include "support/TempFolder.h"
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope (unset when value is null).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name)) {
            previous = old;
            hadValue = true;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (hadValue)
            setenv(name, previous.c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::string previous;
    bool hadValue = false;
};

TEST(PathsTest, TheStudioFolderIsInTheUsersConfigFolder)
{
    ScopedEnvironment home("HOME", "/home/someone");
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", "/tmp/config");
        EXPECT_EQ(platform::StudioConfigFolder(), "/tmp/config/Velmora Studio");
    }
    {
        ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(platform::StudioConfigFolder(), "/home/someone/.config/Velmora Studio");
        ScopedEnvironment noHome("HOME", nullptr);
        EXPECT_EQ(platform::StudioConfigFolder(), "");
    }
}

TEST(PathsTest, DefaultPluginPathsStartBesideTheProgramThenTheUsualPlaces)
{
    TempFolder temp;
    const std::string extra = temp.MakeFolder("extra");
    const std::string home = temp.MakeFolder("home");
    const std::string hidden = temp.MakeFolder("home/.lxvst");
    const std::string list = extra + ":" + temp / "missing" + "::";
    ScopedEnvironment vstPath("VST_PATH", list.c_str());
    ScopedEnvironment homeVariable("HOME", home.c_str());

    const std::string above = fs::path(platform::ProgramFolder()).parent_path().string();
    std::vector<std::string> expected = {above + "/x86/VST", above + "/x64/VST", extra, hidden};
    for (const char* folder : {"/usr/local/lib/vst", "/usr/local/lib/lxvst", "/usr/lib/vst", "/usr/lib/lxvst"}) {
        if (fs::is_directory(folder))
            expected.push_back(folder);
    }
    EXPECT_EQ(platform::DefaultPluginPaths(), expected);
    // The packages the tests use are installed in these.
    EXPECT_TRUE(fs::is_directory("/usr/lib/vst"));
    EXPECT_EQ(platform::ProgramFolder(), std::string(VELMORA_TEST_DIR));
}

TEST(FilesTest, ListingIsSortedAndKnowsFoldersThroughLinks)
{
    TempFolder temp;
    temp.WriteFile("b.so", "");
    temp.WriteFile("a.so", "");
    temp.MakeFolder("c.so");
    fs::create_symlink(temp / "c.so", temp / "0-link");
    fs::create_symlink(temp / "nowhere", temp / "1-dangling");
    std::vector<std::string> names;
    std::vector<bool> folders;
    for (const platform::FolderEntry& entry : platform::ListFolder(temp.Path())) {
        names.push_back(entry.name);
        folders.push_back(entry.isDirectory);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"0-link", "1-dangling", "a.so", "b.so", "c.so"}));
    EXPECT_EQ(folders, (std::vector<bool>{true, false, false, false, true}));
    EXPECT_TRUE(platform::ListFolder(temp / "missing").empty());

    platform::FileInfo file;
    platform::FileInfo link;
    ASSERT_TRUE(platform::GetFileInfo(temp / "c.so", &file));
    ASSERT_TRUE(platform::GetFileInfo(temp / "0-link", &link));
    EXPECT_TRUE(file.IsSameFile(link));
    EXPECT_TRUE(link.folder);
    EXPECT_FALSE(platform::GetFileInfo(temp / "1-dangling", &link));
    EXPECT_EQ(platform::RealPath(temp / "0-link"), platform::RealPath(temp / "c.so"));
    EXPECT_EQ(platform::RealPath(temp / "1-dangling"), "");

    EXPECT_EQ(platform::StripExtension("comp-delay-mono.so"), "comp-delay-mono");
    EXPECT_EQ(platform::StripExtension("a.b.so"), "a.b");
    EXPECT_EQ(platform::StripExtension(".so"), ".so");
    EXPECT_TRUE(platform::HasExtension("x.so", ".so"));
    EXPECT_FALSE(platform::HasExtension(".so", ".so"));
    EXPECT_FALSE(platform::HasExtension("x.so.1", ".so"));

    std::string text;
    ASSERT_TRUE(platform::ReadTextFile(temp.WriteFile("text.txt", "two\nlines"), &text));
    EXPECT_EQ(text, "two\nlines");
    EXPECT_FALSE(platform::ReadTextFile(temp / "missing.txt", &text));
}

TEST(ChildProcessTest, LinesBothWaysAndHowAChildEnded)
{
    platform::ChildProcess echo;
    ASSERT_TRUE(echo.Start("/bin/sh", {"-c", "while read -r line <&3; do echo \"got $line\" >&3; done; exit 3"}, false));
    ASSERT_TRUE(echo.SendLine("one"));
    ASSERT_TRUE(echo.SendLine("two"));
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < 2 && platform::WaitForChildren({&echo}, 5000)) {
        ASSERT_TRUE(echo.Receive());
        while (echo.TakeLine(&line))
            lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"got one", "got two"}));
    EXPECT_EQ(echo.Wait(), 3); // closing the connection ends its loop

    platform::ChildProcess crash;
    ASSERT_TRUE(crash.Start("/bin/sh", {"-c", "kill -SEGV $$"}, false));
    ASSERT_TRUE(platform::WaitForChildren({&crash}, 5000));
    EXPECT_FALSE(crash.Receive());
    EXPECT_FALSE(crash.SendLine("anyone?")); // no signal for writing to it
    EXPECT_EQ(crash.Wait(), -11);

    platform::ChildProcess sleeper;
    ASSERT_TRUE(sleeper.Start("/bin/sleep", {"30"}, false));
    EXPECT_FALSE(platform::WaitForChildren({&sleeper}, 50));
    sleeper.Kill();
    EXPECT_EQ(sleeper.Wait(), -9);

    platform::ChildProcess missing;
    EXPECT_FALSE(missing.Start("/no/such/program", {}, false));
    EXPECT_FALSE(missing.IsStarted());
}

} // namespace
