#include "app/MachineDiscovery.h"
#include "audio/CStudioOptions.h"
#include "platform/OsPaths.h"
#include "framework/CMachineInfo.h"
#include "platform/OsFiles.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include <algorithm>
#include <set>

namespace {
constexpr const char* kPlugInFolder = "PlugIns";
}

void DiscoverMachineTypes(CVelmHost& host, const CStudioOptions& options)
{
    CPlugInDiscovery discovery(&host, DiscoverySettings::Defaults());
    discovery.ScanMachineLibraries(platform::JoinPath(platform::ProgramFolder(), kPlugInFolder));
    discovery.ScanVSTFolders(options.pluginPaths);
}

namespace {

CVSTAdapterInfo* AsPlugInType(CMachineInfo* info)
{
    return info && std::string(info->identifier).rfind("VST::", 0) == 0 ? static_cast<CVSTAdapterInfo*>(info) : nullptr;
}

bool Inside(const std::string& path, std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::string Key(const std::string& path)
{
    std::string real = platform::RealPath(path);
    return real.empty() ? path : real;
}

// Held by a listed folder, by the path it was found under or by its real path.
bool Listed(const CVSTAdapterInfo& type, const std::vector<std::string>& folders)
{
    const std::string real = platform::RealPath(type.GetPath());
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
        return Inside(type.GetPath(), folder) || Inside(real, platform::RealPath(folder));
    });
}

} // namespace

PluginPathChange ApplyPluginPathChange(CVelmHost& host, const std::vector<std::string>& now,
                                       const std::vector<std::string>& before, const DiscoverySettings& settings)
{
    PluginPathChange change;
    std::set<std::string> known;
    const int32_t existing = host.GetMachineTypeCount();
    for (int32_t i = 0; i < existing; ++i) {
        CVSTAdapterInfo* type = AsPlugInType(host.GetMachineType(i));
        if (!type)
            continue;
        // Only the first type of a plug-in file is ever offered.
        const bool first = known.insert(Key(type->GetPath())).second;
        const bool listed = first && Listed(*type, now);
        const bool offered = host.IsMachineTypeOffered(type);
        if (listed && !offered)
            ++change.offeredAgain;
        else if (!listed && offered)
            ++change.withdrawn;
        host.SetMachineTypeOffered(type, listed);
    }

    std::vector<std::string> added;
    for (const std::string& folder : now) {
        if (std::find(before.begin(), before.end(), folder) == before.end())
            added.push_back(folder);
    }
    if (added.empty())
        return change;
    CPlugInDiscovery discovery(&host, settings);
    discovery.ScanVSTFolders(added);
    for (int32_t i = existing; i < host.GetMachineTypeCount(); ++i) {
        CVSTAdapterInfo* type = AsPlugInType(host.GetMachineType(i));
        if (!type)
            continue;
        // A plug-in registered before (under a folder listed all along, or
        // withdrawn and now offered again) is not offered twice.
        if (!known.insert(Key(type->GetPath())).second)
            host.SetMachineTypeOffered(type, false);
        else
            ++change.registered;
    }
    return change;
}
