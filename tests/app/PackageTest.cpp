// The installed layout and the Debian package: the program on the PATH
// finds its plug-ins beside its real file, the launcher entry, the icon
// and the project file type are where the desktop looks for them.
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Lists(const ProgramRun& run, const std::string& line)
{
    return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

// The machine list of the program under `root` with a fresh configuration.
ProgramRun ListMachines(const TempFolder& folder, const std::string& program)
{
    const std::string config = folder.MakeFolder("config");
    return RunProgram("XDG_CONFIG_HOME='" + config + "' '" + program + "' --list-machines 2>&1");
}

// What the desktop needs, below a prefix ("usr" in the package).
void ExpectDesktopFiles(const std::string& prefix)
{
    const std::string entry = ReadText(prefix + "/share/applications/velmora-studio.desktop");
    EXPECT_NE(entry.find("\nExec=velmora-studio %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-velmora-project;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=velmora-studio\n"), std::string::npos) << entry;
    const std::string mime = ReadText(prefix + "/share/mime/packages/velmora-studio.xml");
    EXPECT_NE(mime.find("<glob pattern=\"*.vmp\"/>"), std::string::npos) << mime;
    const std::string icon = ReadText(prefix + "/share/icons/hicolor/64x64/apps/velmora-studio.png");
    ASSERT_GE(icon.size(), 24u);
    EXPECT_EQ(icon.substr(1, 3), "PNG");
    // Width and height in the header: 64 × 64, as the folder says.
    EXPECT_EQ(static_cast<unsigned char>(icon[19]), 64);
    EXPECT_EQ(static_cast<unsigned char>(icon[23]), 64);
    EXPECT_TRUE(fs::exists(prefix + "/lib/velmora-studio/Velmora.html"));
    EXPECT_TRUE(fs::exists(prefix + "/lib/velmora-studio/Songs/Demo.vmp"));
}

} // namespace

TEST(PackageTest, InstallGivesTheProgramOnThePathAndTheDesktopFiles)
{
    TempFolder folder;
    const std::string prefix = folder / "prefix";
    ProgramRun install = RunProgram(std::string("'") + CMAKE_COMMAND + "' --install '" + VELMORA_BUILD_DIR +
                                    "' --prefix '" + prefix + "' 2>&1");
    ASSERT_EQ(install.status, 0);
    ASSERT_TRUE(fs::is_symlink(prefix + "/bin/velmora-studio"));
    ExpectDesktopFiles(prefix);
    ProgramRun list = ListMachines(folder, prefix + "/bin/velmora-studio");
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(Lists(list, "Master\tMaster"));
    EXPECT_TRUE(Lists(list, "ZT DudeRivi\tVelmPlug::ZT DudeRivi")); // the plug-ins beside the real file
}

TEST(PackageTest, TheDebianPackageUnpacksIntoAWorkingProgram)
{
    TempFolder folder;
    const std::string out = folder.MakeFolder("package");
    ProgramRun pack = RunProgram("cd '" + out + "' && '" + std::string(CPACK_COMMAND) + "' -G DEB --config '" +
                                 VELMORA_BUILD_DIR + "/CPackConfig.cmake' -B '" + out + "' 2>&1");
    ASSERT_EQ(pack.status, 0) << (pack.lines.empty() ? "" : pack.lines.back());
    std::string deb;
    for (const auto& file : fs::directory_iterator(out)) {
        if (file.path().extension() == ".deb")
            deb = file.path();
    }
    ASSERT_FALSE(deb.empty());
    ProgramRun depends = RunProgram("dpkg-deb -f '" + deb + "' Package Depends");
    ASSERT_EQ(depends.status, 0);
    ASSERT_FALSE(depends.lines.empty());
    EXPECT_EQ(depends.lines[0], "Package: velmora-studio");
    std::string all;
    for (const auto& line : depends.lines)
        all += line;
    EXPECT_NE(all.find("libqt6widgets6"), std::string::npos) << all;

    const std::string root = folder / "root";
    ASSERT_EQ(RunProgram("dpkg-deb -x '" + deb + "' '" + root + "'").status, 0);
    ExpectDesktopFiles(root + "/usr");
    ProgramRun list = ListMachines(folder, root + "/usr/bin/velmora-studio");
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(Lists(list, "Master\tMaster"));
    EXPECT_TRUE(Lists(list, "ZT DudeRivi\tVelmPlug::ZT DudeRivi"));
}
