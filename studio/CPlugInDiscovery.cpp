#include "studio/CPlugInDiscovery.h"
#include "framework/Errors.h"
#include "framework/MachineLibrary.h"
#include "platform/OsLibrary.h"
#include "platform/OsPaths.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVSTScanCache.h"
#include "studio/CVelmHost.h"
#include <cstdio>

namespace {

constexpr const char* kLibraryExtension = ".so";
constexpr const char* kScannerName = "velmora-vstscan";

std::pair<uint64_t, uint64_t> Identity(const platform::FileInfo& info)
{
    return {info.device, info.inode};
}

} // namespace

DiscoverySettings DiscoverySettings::Defaults()
{
    DiscoverySettings settings;
    settings.scan.scannerPath = platform::JoinPath(platform::ProgramFolder(), kScannerName);
    settings.cacheFile = CVSTScanCache::DefaultFile();
    return settings;
}

CPlugInDiscovery::CPlugInDiscovery(CVelmHost* host, DiscoverySettings settings, StatusFunction status)
    : host(host), settings(std::move(settings)), status(std::move(status))
{
}

void CPlugInDiscovery::Status(const std::string& text)
{
    if (status)
        status(text);
}

void CPlugInDiscovery::Note(const std::string& text)
{
    notes.push_back(text);
    std::fprintf(stderr, "%s\n", text.c_str());
}

int32_t CPlugInDiscovery::ScanMachineLibraries(const std::string& folder)
{
    int32_t loaded = 0;
    for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
        if (entry.isDirectory || !platform::HasExtension(entry.name, kLibraryExtension))
            continue;
        const std::string path = platform::JoinPath(folder, entry.name);
        Status(FormatText("Loading PlugIn Library %s...", entry.name.c_str()));
        platform::LibraryHandle library = platform::LoadLibrary(path.c_str());
        if (!library)
            continue;
        auto init = reinterpret_cast<VelmPlugInitFunction>(platform::GetSymbol(library, kMachineLibraryExport));
        if (!init) {
            platform::FreeLibrary(library);
            continue;
        }
        // Its types live as long as the process: the library stays loaded.
        init(library, host);
        ++loaded;
    }
    return loaded;
}

void CPlugInDiscovery::CollectFolder(const std::string& folder, bool listed, std::vector<Candidate>& files,
                                     SeenFiles& folders, SeenFiles& seen)
{
    platform::FileInfo folderInfo;
    if (!platform::GetFileInfo(folder, &folderInfo) || !folderInfo.folder)
        return;
    auto [known, added] = folders.emplace(Identity(folderInfo), folder);
    if (!added) {
        if (!listed)
            Note(FormatText("VST Folder %s Is Already Being Scanned As %s, Not Followed Again", folder.c_str(),
                            known->second.c_str()));
        return;
    }
    const std::vector<platform::FolderEntry> entries = platform::ListFolder(folder);
    for (const platform::FolderEntry& entry : entries) {
        if (entry.isDirectory || !platform::HasExtension(entry.name, kLibraryExtension))
            continue;
        Candidate file{platform::JoinPath(folder, entry.name), entry.name, {}, {}};
        if (!platform::GetFileInfo(file.path, &file.info) || !file.info.regular)
            continue;
        auto [first, isNew] = seen.emplace(Identity(file.info), file.path);
        if (!isNew) {
            Note(FormatText("VST PlugIn %s Is The Same File As %s, Skipped", file.path.c_str(), first->second.c_str()));
            continue;
        }
        file.realPath = platform::RealPath(file.path);
        files.push_back(std::move(file));
    }
    for (const platform::FolderEntry& entry : entries) {
        if (entry.isDirectory)
            CollectFolder(platform::JoinPath(folder, entry.name), false, files, folders, seen);
    }
}

int32_t CPlugInDiscovery::ScanVSTFolders(const std::vector<std::string>& folderList)
{
    std::vector<Candidate> files;
    SeenFiles folders;
    SeenFiles seen;
    for (const std::string& folder : folderList)
        CollectFolder(folder, true, files, folders, seen);

    CVSTScanCache cache(settings.cacheFile);
    cache.Load();
    std::vector<VSTScanRecord> records(files.size());
    std::vector<std::string> toScan;
    std::vector<size_t> scanIndex;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!cache.Lookup(files[i].realPath, files[i].info, &records[i])) {
            toScan.push_back(files[i].path);
            scanIndex.push_back(i);
        }
    }
    std::vector<VSTScanRecord> scanned;
    CVSTScanner scanner(settings.scan);
    const bool complete = scanner.Scan(toScan, &scanned, [&](size_t k) {
        Status(FormatText("Scanning VST PlugIn %s...", files[scanIndex[k]].fileName.c_str()));
    });
    if (!complete)
        Note(FormatText("VST PlugIn Scanner %s Could Not Be Started", settings.scan.scannerPath.c_str()));
    for (size_t k = 0; k < scanned.size(); ++k) {
        const Candidate& file = files[scanIndex[k]];
        records[scanIndex[k]] = scanned[k];
        cache.Store(file.realPath, file.info, scanned[k]);
    }
    cache.Save();

    int32_t registered = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const Candidate& file = files[i];
        const VSTScanRecord& record = records[i];
        switch (record.status) {
        case VSTScanStatus::NotLoadable:
        case VSTScanStatus::NotScanned:
            break;
        case VSTScanStatus::Type:
            Status(FormatText("Loading VST PlugIn %s...", file.fileName.c_str()));
            host->RegisterMachineInfo(new CVSTAdapterInfo(host, file.path, record.entryKind, record.uniqueID));
            ++registered;
            break;
        case VSTScanStatus::NoEntry:
        case VSTScanStatus::NoEffect:
            Status(FormatText("Loading VST PlugIn %s...", file.fileName.c_str()));
            break;
        case VSTScanStatus::Crashed: {
            std::string text = FormatText("VST PlugIn %s Crashed While Being Scanned, Skipped", file.path.c_str());
            Status(text);
            Note(text);
            break;
        }
        case VSTScanStatus::Hung: {
            std::string text = FormatText("VST PlugIn %s Did Not Answer Within %i ms, Skipped", file.path.c_str(),
                                          settings.scan.timeLimitMs);
            Status(text);
            Note(text);
            break;
        }
        }
    }
    return registered;
}
