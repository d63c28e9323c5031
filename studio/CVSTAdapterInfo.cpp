#include "studio/CVSTAdapterInfo.h"
#include "platform/OsFiles.h"
#include "studio/CVSTAdapter.h"
#include <cstring>

namespace {

constexpr const char* kSfzTypeName = "sfz";

} // namespace

VSTEntryProc FindVSTEntry(platform::LibraryHandle library, VSTEntryKind kind)
{
    const char* name = kind == VSTEntryKind::Main ? "main" : "VSTPluginMain";
    return reinterpret_cast<VSTEntryProc>(platform::GetSymbol(library, name));
}

CVSTAdapterInfo::CVSTAdapterInfo(CHost* host, const std::string& path, VSTEntryKind entryKind, int32_t uniqueID)
    : host(host), path(path), entryKind(entryKind)
{
    size_t slash = path.rfind('/');
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    folder = slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
    typeName = platform::StripExtension(fileName);
    name = typeName.c_str();
    identifier = identifierText;
    SetUniqueID(uniqueID);
}

CVSTAdapterInfo::~CVSTAdapterInfo()
{
    platform::FreeLibrary(library);
}

void CVSTAdapterInfo::BuildIdentifier(int32_t uniqueID, char* out)
{
    std::strcpy(out, "VST::");
    char* at = out + 5;
    const auto id = static_cast<uint32_t>(uniqueID);
    for (int byte = 0; byte < 4; ++byte) {
        char code = static_cast<char>(id >> (8 * byte) & 0x0f);
        if (code == 0)
            break;
        *at++ = code;
    }
    *at = '\0';
}

void CVSTAdapterInfo::SetUniqueID(int32_t id)
{
    uniqueID = id;
    BuildIdentifier(id, identifierText);
}

CVSTAdapterInfo* CVSTAdapterInfo::Probe(CHost* host, const std::string& path, VSTScanRecord* record)
{
    *record = VSTScanRecord{};
    platform::LibraryHandle library = platform::LoadLibrary(path.c_str());
    if (!library) {
        record->status = VSTScanStatus::NotLoadable;
        return nullptr;
    }
    VSTEntryKind kind = VSTEntryKind::PluginMain;
    if (!FindVSTEntry(library, kind))
        kind = VSTEntryKind::Main;
    if (!FindVSTEntry(library, kind)) {
        platform::FreeLibrary(library);
        record->status = VSTScanStatus::NoEntry;
        return nullptr;
    }

    auto* info = new CVSTAdapterInfo(host, path, kind, 0);
    auto* machine = static_cast<CVSTAdapter*>(info->CreateMachine());
    AEffect* effect = machine->GetEffect();
    const int32_t id = effect ? effect->uniqueID : 0;
    machine->Release();
    platform::FreeLibrary(library);
    if (!effect) {
        delete info;
        record->status = VSTScanStatus::NoEffect;
        return nullptr;
    }
    info->SetUniqueID(id);
    record->status = VSTScanStatus::Type;
    record->entryKind = kind;
    record->uniqueID = id;
    return info;
}

CMachine* CVSTAdapterInfo::CreateMachine()
{
    {
        CLockGuard guard(instanceLock);
        if (instanceCount == 0) {
            library = platform::LoadLibrary(path.c_str());
            entry = FindVSTEntry(library, entryKind);
        }
        ++instanceCount;
    }
    auto* machine = new CVSTAdapter(this);
    if (std::strcmp(typeName.c_str(), kSfzTypeName) == 0)
        machine->SetParameter(3, 0.5);
    return machine;
}

VSTEntryProc CVSTAdapterInfo::GetEntry()
{
    CLockGuard guard(instanceLock);
    return entry;
}

void CVSTAdapterInfo::InstanceReleased()
{
    CLockGuard guard(instanceLock);
    if (instanceCount > 0 && --instanceCount == 0) {
        platform::FreeLibrary(library);
        library = nullptr;
        entry = nullptr;
    }
}

void CVSTAdapterInfo::KeepLibraryLoaded()
{
    CLockGuard guard(instanceLock);
    if (!keptLibrary)
        keptLibrary = platform::LoadLibrary(path.c_str());
}

bool CVSTAdapterInfo::IsLibraryKeptLoaded()
{
    CLockGuard guard(instanceLock);
    return keptLibrary != nullptr;
}

int32_t CVSTAdapterInfo::GetInstanceCount()
{
    CLockGuard guard(instanceLock);
    return instanceCount;
}

bool CVSTAdapterInfo::IsLibraryLoaded()
{
    CLockGuard guard(instanceLock);
    return library != nullptr;
}
