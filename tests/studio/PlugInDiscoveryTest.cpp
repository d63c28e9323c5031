#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVSTScanCache.h"
#include "studio/CVelmHost.h"
#include "support/TempFolder.h"
#include "support/TestMachines.h"
#include "support/TestPlugIns.h"
#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TypeLine {
    std::string name;
    std::string identifier;
    std::string path;
    bool operator==(const TypeLine&) const = default;
};

std::vector<TypeLine> Types(CVelmHost& host)
{
    std::vector<TypeLine> types;
    for (int32_t i = 0; i < host.GetMachineTypeCount(); ++i) {
        CMachineInfo* info = host.GetMachineType(i);
        std::string path;
        if (std::string(info->identifier).rfind("VST::", 0) == 0)
            path = static_cast<CVSTAdapterInfo*>(info)->GetPath();
        types.push_back({info->name, info->identifier, path});
    }
    return types;
}

std::vector<std::string> Names(CVelmHost& host)
{
    std::vector<std::string> names;
    for (const TypeLine& type : Types(host))
        names.push_back(type.name);
    return names;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

int Count(const std::vector<std::string>& texts, const std::string& part)
{
    return static_cast<int>(
        std::count_if(texts.begin(), texts.end(), [&](const std::string& text) { return text.find(part) != std::string::npos; }));
}

class PlugInDiscoveryTest : public testing::Test {
protected:
    TempFolder temp;
    std::vector<std::string> statusTexts;

    DiscoverySettings Settings(bool withCache = true, int workers = 0)
    {
        DiscoverySettings settings;
        settings.scan.scannerPath = std::string(VELMORA_BIN_DIR) + "/velmora-vstscan";
        settings.scan.timeLimitMs = 2000;
        settings.scan.workers = workers;
        settings.cacheFile = withCache ? temp / "config/VSTScanCache.txt" : "";
        return settings;
    }

    // A discovery that writes its status texts into statusTexts.
    CPlugInDiscovery Discovery(CVelmHost& host, DiscoverySettings settings)
    {
        return CPlugInDiscovery(&host, std::move(settings), [this](const std::string& text) { statusTexts.push_back(text); });
    }

    std::string Copy(const std::string& from, const std::string& to)
    {
        fs::create_directories(fs::path(temp / to).parent_path());
        fs::copy_file(from, temp / to);
        return temp / to;
    }
};

TEST_F(PlugInDiscoveryTest, MachineLibrariesRegisterTheirTypesAfterTheBuiltInOnes)
{
    CVelmHost host(44100, 256, 4);
    host.RegisterMachineInfo(new CParameterMachineInfo(&host, "Master", "Master"));
    CPlugInDiscovery discovery = Discovery(host, Settings());
    EXPECT_EQ(discovery.ScanMachineLibraries(TestMachineLibraryFolder()), 1);
    EXPECT_EQ(Types(host), (std::vector<TypeLine>{{"Master", "Master", ""},
                                                  {"ZT Test Gain", "VelmPlug::ZT Test Gain", ""},
                                                  {"ZT Test Tone", "VelmPlug::ZT Test Tone-Sine", ""},
                                                  {"ZT Test Steps", "VelmPlug::ZT Test Steps", ""}}));
    EXPECT_EQ(statusTexts, std::vector<std::string>{"Loading PlugIn Library VelmTestMachines.so..."});

    // The library's machines are native machines that know the host.
    CMachineInfo* info = nullptr;
    std::unique_ptr<CMachine, ReleaseMachine> gain(host.CreateMachineByName("ZT Test Gain", &info));
    EXPECT_EQ(gain->GetParameter(2), 4.0); // the host's CPU flags, kept in the library context
    EXPECT_EQ(gain->portCount, 2);
}

TEST_F(PlugInDiscoveryTest, LibraryObjectsAreFreedByTheLibrary)
{
    auto host = std::make_unique<CVelmHost>(44100, 256, 0);
    // A copy of its own, so that this test alone counts in it.
    const std::string folder = fs::path(Copy(TestMachineLibraryFolder() + "/VelmTestMachines.so", "own/VelmTestMachines.so")).parent_path();
    CPlugInDiscovery discovery = Discovery(*host, Settings());
    ASSERT_EQ(discovery.ScanMachineLibraries(folder), 1);

    std::unique_ptr<CMachine, ReleaseMachine> probe(host->CreateMachineByName("ZT Test Gain", nullptr));
    const double before = probe->GetParameter(1);
    EXPECT_GT(before, 0.0);
    CMachine* tone = host->CreateMachineByName("ZT Test Tone", nullptr);
    EXPECT_GT(probe->GetParameter(1), before);
    tone->Release();
    EXPECT_EQ(probe->GetParameter(1), before);

    // The host releases the descriptors: they too go back to the library.
    host.reset();
    EXPECT_LT(probe->GetParameter(1), before);
}

TEST(MachineLibraryTest, ExportsItsEntryAndNothingElse)
{
    void* library = dlopen((TestMachineLibraryFolder() + "/VelmTestMachines.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(dlsym(library, "VelmPlugInit"), nullptr);
    // Its copy of the framework stays its own.
    for (const char* hidden : {"_ZN8CMachine7ReleaseEv", "_ZN8CMachineC2EP5CHost", "_Z5RaisePKcz"})
        EXPECT_EQ(dlsym(library, hidden), nullptr) << hidden;
    // So does its allocator: operator new, as found through the library,
    // is the C++ runtime's.
    for (const char* allocator : {"_Znwm", "_ZdlPv"}) {
        Dl_info where{};
        void* symbol = dlsym(library, allocator);
        ASSERT_NE(symbol, nullptr);
        ASSERT_NE(dladdr(symbol, &where), 0);
        EXPECT_EQ(std::string(where.dli_fname).find("VelmTestMachines"), std::string::npos) << where.dli_fname;
    }
    dlclose(library);
}

TEST_F(PlugInDiscoveryTest, WhatIsNotAMachineLibraryIsSkipped)
{
    const std::string folder = temp.MakeFolder("PlugIns");
    Copy(TestMachineLibraryFolder() + "/VelmTestMachines.so", "PlugIns/b.so");
    temp.WriteFile("PlugIns/a-broken.so", "not a library");
    temp.MakeFolder("PlugIns/c-folder.so");
    Copy(TestMachineLibraryFolder() + "/VelmTestMachines.so", "PlugIns/sub/VelmTestMachines.so");
    const std::string foreign = Copy(TestVSTPath("gain"), "PlugIns/d-foreign.so");
    temp.WriteFile("PlugIns/e-notes.txt", "");

    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, Settings());
    EXPECT_EQ(discovery.ScanMachineLibraries(folder), 1);
    EXPECT_EQ(Names(host), (std::vector<std::string>{"ZT Test Gain", "ZT Test Tone", "ZT Test Steps"}));
    EXPECT_EQ(statusTexts, (std::vector<std::string>{"Loading PlugIn Library a-broken.so...",
                                                     "Loading PlugIn Library b.so...",
                                                     "Loading PlugIn Library d-foreign.so..."}));
    // A library without the export is unloaded again.
    void* handle = dlopen(foreign.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(handle, nullptr);
    if (handle)
        dlclose(handle);
    EXPECT_EQ(discovery.ScanMachineLibraries(temp / "missing"), 0);
}

TEST_F(PlugInDiscoveryTest, VSTFoldersInListOrderFilesBeforeSubfolders)
{
    Copy(TestVSTPath("synth"), "a/velm-synth.so");
    Copy(TestVSTPath("gain"), "a/velm-gain.so");
    Copy(TestVSTPath("chunks"), "a/z/velm-chunks.so");
    Copy(TestVSTPath("main-only"), "a/b/velm-main-only.so");
    Copy(TestVSTPath("four-outputs"), "a/b/c/velm-four-outputs.so");
    // The same plug-in in another folder: a second type with the same name
    // and identifier.
    Copy(TestVSTPath("gain"), "first/velm-gain.so");

    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, Settings());
    EXPECT_EQ(discovery.ScanVSTFolders({temp / "first", temp / "a", temp / "missing"}), 6);
    const std::string gain = "VST::\x04\x03\x02\x01";
    EXPECT_EQ(Types(host), (std::vector<TypeLine>{
                               {"velm-gain", gain, temp / "first/velm-gain.so"},
                               {"velm-gain", gain, temp / "a/velm-gain.so"},
                               {"velm-synth", "VST::\x01", temp / "a/velm-synth.so"},
                               {"velm-main-only", "VST::\x01", temp / "a/b/velm-main-only.so"},
                               {"velm-four-outputs", "VST::\x01", temp / "a/b/c/velm-four-outputs.so"},
                               {"velm-chunks", "VST::\x01", temp / "a/z/velm-chunks.so"},
                           }));
    EXPECT_EQ(static_cast<CVSTAdapterInfo*>(host.FindMachineInfo(gain.c_str()))->GetPath(), temp / "first/velm-gain.so");
    EXPECT_EQ(static_cast<CVSTAdapterInfo*>(host.GetMachineType(3))->GetEntryKind(), VSTEntryKind::Main);
    EXPECT_EQ(Count(statusTexts, "Loading VST PlugIn velm-gain.so..."), 2);
    EXPECT_TRUE(discovery.GetNotes().empty());

    // The types work: a machine of the main-only plug-in.
    AdapterPtr machine = CreateAdapter(*host.GetMachineType(3));
    EXPECT_NE(machine->GetEffect(), nullptr);
}

TEST_F(PlugInDiscoveryTest, LinkedFoldersAndFilesAreScannedOnce)
{
    const std::string folder = temp.MakeFolder("vst");
    Copy(TestVSTPath("gain"), "vst/velm-gain.so");
    Copy(TestVSTPath("synth"), "vst/deeper/velm-synth.so");
    fs::create_symlink(temp / "vst/velm-gain.so", temp / "vst/alias.so");
    fs::create_symlink(temp / "vst", temp / "vst/deeper/loop");
    fs::create_symlink(temp / "vst/deeper", temp / "vst/shortcut");
    fs::create_symlink(temp / "nowhere.so", temp / "vst/dangling.so");

    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, Settings());
    // A folder listed twice, or within another listed one, is scanned once
    // without a note: the user listed it.
    EXPECT_EQ(discovery.ScanVSTFolders({folder, folder, temp / "vst/deeper"}), 2);
    EXPECT_EQ(Names(host), (std::vector<std::string>{"alias", "velm-synth"}));
    const std::vector<std::string>& notes = discovery.GetNotes();
    EXPECT_EQ(notes.size(), 3u);
    EXPECT_TRUE(Contains(notes, "VST PlugIn " + temp / "vst/velm-gain.so" + " Is The Same File As " + temp / "vst/alias.so"));
    EXPECT_TRUE(Contains(notes, "VST Folder " + temp / "vst/deeper/loop" + " Is Already Being Scanned As " + folder));
    EXPECT_TRUE(Contains(notes, "VST Folder " + temp / "vst/shortcut" + " Is Already Being Scanned As " + temp / "vst/deeper"));
}

TEST_F(PlugInDiscoveryTest, MisbehavingFilesAreSkippedAndNamed)
{
    const std::string folder = temp.MakeFolder("vst");
    Copy(TestVSTPath("crash"), "vst/a-crash.so");
    Copy(TestVSTPath("gain"), "vst/b-gain.so");
    Copy(TestVSTPath("hang"), "vst/c-hang.so");
    Copy(TestVSTPath("null-effect"), "vst/d-null.so");
    temp.WriteFile("vst/e-text.so", "#!/bin/sh\nnot a library\n");
    temp.MakeFolder("vst/f-folder.so");
    Copy(TestVSTPath("synth"), "vst/f-folder.so/velm-synth.so");
    Copy(TestMachineLibraryFolder() + "/VelmTestMachines.so", "vst/g-library.so");

    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, Settings(true, 2));
    EXPECT_EQ(discovery.ScanVSTFolders({folder}), 2);
    EXPECT_EQ(Names(host), (std::vector<std::string>{"b-gain", "velm-synth"}));
    const std::string crashed = "VST PlugIn " + temp / "vst/a-crash.so" + " Crashed While Being Scanned, Skipped";
    const std::string hung = "VST PlugIn " + temp / "vst/c-hang.so" + " Did Not Answer Within 2000 ms, Skipped";
    EXPECT_EQ(discovery.GetNotes(), (std::vector<std::string>{crashed, hung}));
    EXPECT_TRUE(Contains(statusTexts, crashed));
    EXPECT_TRUE(Contains(statusTexts, hung));
    // Libraries without entry or effect show their status, non-libraries none.
    EXPECT_TRUE(Contains(statusTexts, "Loading VST PlugIn d-null.so..."));
    EXPECT_TRUE(Contains(statusTexts, "Loading VST PlugIn g-library.so..."));
    EXPECT_FALSE(Contains(statusTexts, "Loading VST PlugIn e-text.so"));

    // Failures are not cached: the next start tries them again.
    statusTexts.clear();
    CVelmHost again(44100, 256, 0);
    CPlugInDiscovery second = Discovery(again, Settings(true, 2));
    EXPECT_EQ(second.ScanVSTFolders({folder}), 2);
    EXPECT_EQ(Count(statusTexts, "Scanning VST PlugIn"), 4);
    EXPECT_TRUE(Contains(statusTexts, "Scanning VST PlugIn a-crash.so..."));
    EXPECT_FALSE(Contains(statusTexts, "Scanning VST PlugIn b-gain.so..."));
}

TEST_F(PlugInDiscoveryTest, AScannerCrashDoesNotCostTheFilesAfterIt)
{
    const std::string folder = temp.MakeFolder("vst");
    Copy(TestVSTPath("gain"), "vst/a.so");
    Copy(TestVSTPath("crash"), "vst/b.so");
    Copy(TestVSTPath("synth"), "vst/c.so");
    Copy(TestVSTPath("crash"), "vst/d.so");
    Copy(TestVSTPath("chunks"), "vst/e.so");
    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, Settings(false, 1));
    EXPECT_EQ(discovery.ScanVSTFolders({folder}), 3);
    EXPECT_EQ(Names(host), (std::vector<std::string>{"a", "c", "e"}));
    EXPECT_EQ(discovery.GetNotes().size(), 2u);
}

TEST_F(PlugInDiscoveryTest, TheCacheGivesTheSameTypesWithoutLoadingAgain)
{
    Copy(TestVSTPath("gain"), "vst/velm-gain.so");
    Copy(TestVSTPath("synth"), "vst/velm-synth.so");
    Copy(TestVSTPath("main-only"), "vst/sub/velm-main-only.so");
    Copy(TestMachineLibraryFolder() + "/VelmTestMachines.so", "vst/velm-library.so");
    const std::vector<std::string> folders = {temp / "vst"};

    CVelmHost uncached(44100, 256, 0);
    Discovery(uncached, Settings(false)).ScanVSTFolders(folders);
    EXPECT_FALSE(fs::exists(temp / "config/VSTScanCache.txt"));
    ASSERT_EQ(uncached.GetMachineTypeCount(), 3);

    CVelmHost cold(44100, 256, 0);
    statusTexts.clear();
    Discovery(cold, Settings()).ScanVSTFolders(folders);
    EXPECT_EQ(Count(statusTexts, "Scanning VST PlugIn"), 4);
    EXPECT_TRUE(fs::exists(temp / "config/VSTScanCache.txt"));

    CVelmHost warm(44100, 256, 0);
    statusTexts.clear();
    Discovery(warm, Settings()).ScanVSTFolders(folders);
    EXPECT_EQ(Count(statusTexts, "Scanning VST PlugIn"), 0);
    EXPECT_EQ(Types(warm), Types(uncached));
    EXPECT_EQ(Types(cold), Types(uncached));
    for (int32_t i = 0; i < warm.GetMachineTypeCount(); ++i) {
        auto* fromCache = static_cast<CVSTAdapterInfo*>(warm.GetMachineType(i));
        auto* scanned = static_cast<CVSTAdapterInfo*>(uncached.GetMachineType(i));
        EXPECT_EQ(fromCache->GetEntryKind(), scanned->GetEntryKind());
        EXPECT_EQ(fromCache->GetUniqueID(), scanned->GetUniqueID());
    }

    // A changed file is scanned again: here it became another plug-in.
    fs::remove(temp / "vst/velm-synth.so");
    fs::copy_file(TestVSTPath("chunks"), temp / "vst/velm-synth.so");
    CVelmHost changed(44100, 256, 0);
    statusTexts.clear();
    Discovery(changed, Settings()).ScanVSTFolders(folders);
    EXPECT_EQ(statusTexts.front(), "Scanning VST PlugIn velm-synth.so...");
    EXPECT_EQ(Count(statusTexts, "Scanning VST PlugIn"), 1);
    EXPECT_EQ(static_cast<CVSTAdapterInfo*>(changed.GetMachineType(1))->GetUniqueID(), 0x56433031);

    // A damaged cache is ignored, not trusted.
    temp.WriteFile("config/VSTScanCache.txt", "Velmora VST scan cache 1\n" + EscapeText(temp / "vst/velm-gain.so") +
                                                  "\tlots\t12\ttype main 41424344\ngarbage\n");
    CVelmHost damaged(44100, 256, 0);
    statusTexts.clear();
    Discovery(damaged, Settings()).ScanVSTFolders(folders);
    EXPECT_EQ(Count(statusTexts, "Scanning VST PlugIn"), 4);
    EXPECT_EQ(Names(damaged), Names(changed));
}

TEST_F(PlugInDiscoveryTest, ParallelScannersKeepTheOrder)
{
    for (int i = 0; i < 12; ++i) {
        const char* kinds[] = {"gain", "synth", "chunks", "four-outputs", "declines-events", "main-only"};
        Copy(TestVSTPath(kinds[i % 6]), "vst/p" + std::to_string(i / 10) + std::to_string(i % 10) + ".so");
    }
    CVelmHost one(44100, 256, 0);
    Discovery(one, Settings(false, 1)).ScanVSTFolders({temp / "vst"});
    CVelmHost three(44100, 256, 0);
    Discovery(three, Settings(false, 3)).ScanVSTFolders({temp / "vst"});
    EXPECT_EQ(one.GetMachineTypeCount(), 12);
    EXPECT_EQ(Types(three), Types(one));
}

TEST_F(PlugInDiscoveryTest, WithoutAScannerNothingIsLoaded)
{
    Copy(TestVSTPath("gain"), "vst/velm-gain.so");
    DiscoverySettings settings = Settings();
    settings.scan.scannerPath = temp / "no-such-scanner";
    CVelmHost host(44100, 256, 0);
    CPlugInDiscovery discovery = Discovery(host, settings);
    EXPECT_EQ(discovery.ScanVSTFolders({temp / "vst"}), 0);
    EXPECT_EQ(discovery.GetNotes(),
              std::vector<std::string>{"VST PlugIn Scanner " + temp / "no-such-scanner" + " Could Not Be Started"});
    // Nothing unlearned went into the cache.
    CVelmHost later(44100, 256, 0);
    EXPECT_EQ(Discovery(later, Settings()).ScanVSTFolders({temp / "vst"}), 1);
}

TEST(VSTScanRecordTest, RecordsAndPathsSurviveTheirTextForm)
{
    const VSTScanRecord records[] = {
        {VSTScanStatus::Type, VSTEntryKind::Main, static_cast<int32_t>(0xfedcba98)},
        {VSTScanStatus::Type, VSTEntryKind::PluginMain, 0x41424344},
        {VSTScanStatus::NoEntry, VSTEntryKind::PluginMain, 0},
        {VSTScanStatus::Hung, VSTEntryKind::PluginMain, 0},
    };
    for (const VSTScanRecord& record : records) {
        VSTScanRecord parsed;
        ASSERT_TRUE(ParseScanRecord(FormatScanRecord(record), &parsed)) << FormatScanRecord(record);
        EXPECT_EQ(parsed, record);
    }
    EXPECT_EQ(FormatScanRecord(records[0]), "type main fedcba98");
    VSTScanRecord parsed;
    for (const char* bad : {"", "type main", "type main 4142434", "type main 414243445", "type other 41424344",
                            "kind main 41424344", "type main 4142434g", "type  main 41424344"})
        EXPECT_FALSE(ParseScanRecord(bad, &parsed)) << bad;

    const std::string awkward = "/tmp/a\tb\nc%d\x7f\x01/\xc3\xa9.so";
    const std::string escaped = EscapeText(awkward);
    EXPECT_EQ(escaped.find_first_of("\t\n\x7f\x01"), std::string::npos);
    std::string back;
    ASSERT_TRUE(UnescapeText(escaped, &back));
    EXPECT_EQ(back, awkward);
    for (const char* bad : {"%", "%4", "%4g", "a%zz"})
        EXPECT_FALSE(UnescapeText(bad, &back)) << bad;
}

TEST(VSTScanCacheTest, KeepsLastingAnswersForTheSameVersionOfAFile)
{
    TempFolder temp;
    const std::string file = temp / "cache/VSTScanCache.txt";
    platform::FileInfo version{1, 2, 1000, 5000, true, false};
    const VSTScanRecord type{VSTScanStatus::Type, VSTEntryKind::Main, 7};
    {
        CVSTScanCache cache(file);
        cache.Load();
        EXPECT_EQ(cache.GetEntryCount(), 0);
        cache.Store("/a.so", version, type);
        cache.Store("/b.so", version, VSTScanRecord{VSTScanStatus::NoEntry});
        cache.Store("/c.so", version, VSTScanRecord{VSTScanStatus::Crashed});
        cache.Store("/d.so", version, VSTScanRecord{VSTScanStatus::NotLoadable});
        EXPECT_EQ(cache.GetEntryCount(), 2);
        EXPECT_TRUE(cache.Save());
    }
    CVSTScanCache cache(file);
    cache.Load();
    EXPECT_EQ(cache.GetEntryCount(), 2);
    VSTScanRecord record;
    ASSERT_TRUE(cache.Lookup("/a.so", version, &record));
    EXPECT_EQ(record, type);
    platform::FileInfo newer = version;
    newer.modifiedNs += 1;
    EXPECT_FALSE(cache.Lookup("/a.so", newer, &record));
    platform::FileInfo longer = version;
    longer.size += 1;
    EXPECT_FALSE(cache.Lookup("/a.so", longer, &record));
    EXPECT_FALSE(cache.Lookup("/c.so", version, &record));

    // Entries not used in a run drop out when it saves; an unchanged
    // cache is not written again.
    EXPECT_TRUE(cache.Save());
    CVSTScanCache reread(file);
    reread.Load();
    EXPECT_EQ(reread.GetEntryCount(), 1);
    EXPECT_TRUE(reread.Lookup("/a.so", version, &record));
    const auto written = fs::last_write_time(file);
    EXPECT_TRUE(reread.Save());
    EXPECT_EQ(fs::last_write_time(file), written);

    // A file of another kind is no cache.
    temp.WriteFile("cache/VSTScanCache.txt", "something else\n/a.so\t1000\t5000\ttype main 00000007\n");
    CVSTScanCache other(file);
    other.Load();
    EXPECT_EQ(other.GetEntryCount(), 0);
}

} // namespace
