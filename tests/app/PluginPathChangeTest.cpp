// Plug-in folders added and removed while the program runs, with the real
// out-of-process scanner and the in-tree test plug-ins.
#include "app/MachineDiscovery.h"
#include "framework/CMachineInfo.h"
#include "studio/CVSTAdapter.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class PluginPathChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        first = temp.MakeFolder("first");
        second = temp.MakeFolder("second");
        fs::create_directories(first + "/sub");
        fs::copy_file(TestVSTPath("gain"), first + "/velm-gain.so");
        fs::copy_file(TestVSTPath("chunks"), first + "/sub/velm-chunks.so");
        fs::copy_file(TestVSTPath("synth"), second + "/velm-synth.so");
        settings.scan.scannerPath = std::string(VELMORA_BIN_DIR) + "/velmora-vstscan";
        settings.scan.timeLimitMs = 5000;
        settings.cacheFile = temp / "VSTScanCache.txt";
    }

    // The file names of the types offered for new machines, in order.
    std::vector<std::string> Offered()
    {
        std::vector<std::string> files;
        for (int32_t i = 0; i < host.GetMachineTypeCount(); ++i) {
            auto* type = static_cast<CVSTAdapterInfo*>(host.GetMachineType(i));
            if (host.IsMachineTypeOffered(type))
                files.push_back(fs::path(type->GetPath()).filename().string());
        }
        return files;
    }

    TempFolder temp;
    std::string first;
    std::string second;
    DiscoverySettings settings;
    CVelmHost host{44100, 256, 0};
};

} // namespace

TEST_F(PluginPathChangeTest, AddedFoldersAreScannedAndRemovedOnesWithdrawnWhileMachinesKeepRunning)
{
    CPlugInDiscovery(&host, settings).ScanVSTFolders({first});
    ASSERT_EQ(Offered(), (std::vector<std::string>{"velm-gain.so", "velm-chunks.so"}));
    CMachineInfo* gain = host.GetMachineType(0);
    AdapterPtr running = CreateAdapter(*gain);
    ASSERT_NE(running->GetEffect(), nullptr);

    // The first folder goes, the second comes.
    PluginPathChange change = ApplyPluginPathChange(host, {second}, {first}, settings);
    EXPECT_EQ(change.registered, 1);
    EXPECT_EQ(change.withdrawn, 2);
    EXPECT_EQ(Offered(), std::vector<std::string>{"velm-synth.so"});
    // The withdrawn type still stands behind the machine made of it.
    EXPECT_EQ(host.GetMachineType(0), gain);
    EXPECT_EQ(host.FindMachineInfo(gain->identifier), gain);
    EXPECT_NE(running->GetEffect(), nullptr);
    AdapterPtr synth = CreateAdapter(*host.GetMachineType(2));
    EXPECT_NE(synth->GetEffect(), nullptr);

    // The first folder listed again: its types are offered again, not
    // registered a second time.
    change = ApplyPluginPathChange(host, {second, first}, {second}, settings);
    EXPECT_EQ(change.registered, 0);
    EXPECT_EQ(change.offeredAgain, 2);
    EXPECT_EQ(Offered(), (std::vector<std::string>{"velm-gain.so", "velm-chunks.so", "velm-synth.so"}));

    // A subfolder of a listed folder adds nothing new.
    const int32_t count = host.GetMachineTypeCount();
    change = ApplyPluginPathChange(host, {second, first, first + "/sub"}, {second, first}, settings);
    EXPECT_EQ(change.registered, 0);
    EXPECT_EQ(Offered(), (std::vector<std::string>{"velm-gain.so", "velm-chunks.so", "velm-synth.so"}));
    EXPECT_GE(host.GetMachineTypeCount(), count);

    // Removing every folder withdraws every plug-in type.
    change = ApplyPluginPathChange(host, {}, {second, first, first + "/sub"}, settings);
    EXPECT_TRUE(Offered().empty());
    EXPECT_EQ(change.withdrawn, 3);
}

TEST_F(PluginPathChangeTest, ANewFolderWithoutPlugInsChangesNothingAndUnchangedPathsScanNothing)
{
    CPlugInDiscovery(&host, settings).ScanVSTFolders({first});
    const std::string empty = temp.MakeFolder("empty");
    PluginPathChange change = ApplyPluginPathChange(host, {first, empty}, {first}, settings);
    EXPECT_EQ(change.registered, 0);
    EXPECT_EQ(change.withdrawn, 0);
    EXPECT_EQ(Offered().size(), 2u);

    // Settings pointing at a scanner that does not exist: with nothing
    // added, nothing is scanned at all.
    DiscoverySettings broken = settings;
    broken.scan.scannerPath = temp / "no-scanner";
    broken.cacheFile.clear();
    change = ApplyPluginPathChange(host, {first, empty}, {first, empty}, broken);
    EXPECT_EQ(change.registered + change.withdrawn + change.offeredAgain, 0);
}
