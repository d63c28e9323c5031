#include "audio/CASIODriverList.h"
#include "framework/Errors.h"
#include "platform/OsPaths.h"
#include "platform/OsRegistry.h"
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace {

// The longest display name an entry keeps (a 128-byte field).
constexpr size_t kNameCapacity = 127;

// What answers when no driver is current.
class CNotPresentDriver : public IASIODriver {
public:
    int32_t Release() override { return 0; }
    ASIOBool init(void*) override { return ASIOFalse; }
    void getDriverName(char* name) override { name[0] = 0; }
    int32_t getDriverVersion() override { return 0; }
    void getErrorMessage(char* text) override { std::strcpy(text, "No Driver Loaded"); }
    ASIOError start() override { return ASE_NotPresent; }
    ASIOError stop() override { return ASE_NotPresent; }
    ASIOError getChannels(int32_t*, int32_t*) override { return ASE_NotPresent; }
    ASIOError getBufferSize(int32_t*, int32_t*, int32_t*, int32_t*) override { return ASE_NotPresent; }
    ASIOError canSampleRate(ASIOSampleRate) override { return ASE_NotPresent; }
    ASIOError getSampleRate(ASIOSampleRate*) override { return ASE_NotPresent; }
    ASIOError setSampleRate(ASIOSampleRate) override { return ASE_NotPresent; }
    ASIOError getChannelInfo(ASIOChannelInfo*) override { return ASE_NotPresent; }
    ASIOError createBuffers(ASIOBufferInfo*, int32_t, int32_t, ASIOCallbacks*) override { return ASE_NotPresent; }
    ASIOError disposeBuffers() override { return ASE_NotPresent; }
    ASIOError outputReady() override { return ASE_NotPresent; }
};

CNotPresentDriver notPresent;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Resolve(const std::string& path, const std::string& folder)
{
    if (path.empty() || std::filesystem::path(path).is_absolute() || folder.empty())
        return path;
    return platform::JoinPath(folder, path);
}

} // namespace

std::vector<std::string> CASIODriverList::DefaultRegistryFiles()
{
    std::vector<std::string> files;
    std::string config = platform::UserConfigFolder();
    if (!config.empty())
        files.push_back(platform::JoinPath(platform::JoinPath(config, "Velmora Studio"), kRegistryFileName));
    std::string program = platform::ProgramFolder();
    if (!program.empty())
        files.push_back(platform::JoinPath(program, kRegistryFileName));
    return files;
}

CASIODriverList::CASIODriverList(const std::vector<std::string>& registryFiles)
{
    Build(registryFiles);
}

// The libraries stay loaded: a driver may have left a handler of its own
// with a library that outlives it (the JACK library's message handlers).
CASIODriverList::~CASIODriverList()
{
    for (int32_t id = 0; id < Count(); ++id)
        CloseDriver(id);
}

void CASIODriverList::Build(const std::vector<std::string>& registryFiles)
{
    platform::Registry registry;
    for (const std::string& file : registryFiles) {
        std::string error;
        if (!registry.Load(file, &error))
            Trace("ASIO: Registry File Ignored <%s>", error.c_str());
    }
    const platform::RegistryKey* drivers = registry.Open("HKEY_LOCAL_MACHINE\\software\\asio");
    const platform::RegistryKey* classes = registry.Open("HKEY_CLASSES_ROOT\\clsid");
    if (!drivers || !classes)
        return;
    for (size_t i = 0; i < drivers->SubkeyCount(); ++i) {
        const platform::RegistryKey* driver = drivers->Subkey(i);
        std::string classText;
        if (!driver->Query("clsid", classText))
            continue;
        classText = Lower(classText);
        const platform::RegistryKey* classKey = nullptr;
        for (size_t c = 0; c < classes->SubkeyCount() && !classKey; ++c) {
            if (Lower(classes->Subkey(c)->Name()) == classText)
                classKey = classes->Subkey(c);
        }
        const platform::RegistryKey* server = classKey ? classKey->Open("InprocServer32") : nullptr;
        Entry entry;
        if (!server || !server->Query("", entry.serverPath) || !platform::ClassIdFromString(classText, &entry.classId))
            continue;
        entry.serverPath = Resolve(entry.serverPath, server->Origin());
        if (!driver->Query("description", entry.name))
            entry.name = driver->Name();
        if (entry.name.size() > kNameCapacity)
            entry.name.resize(kNameCapacity);
        // A library that cannot make drivers is no driver.
        entry.library = platform::LoadLibrary(entry.serverPath.c_str());
        if (!entry.library) {
            Trace("ASIO: Driver <%s> Left Out, Library <%s> Does Not Load: %s", entry.name.c_str(),
                  entry.serverPath.c_str(), platform::LastLibraryError());
            continue;
        }
        if (!platform::FindComponentFactory(entry.library)) {
            Trace("ASIO: Driver <%s> Left Out, <%s> Exports No Factory", entry.name.c_str(), entry.serverPath.c_str());
            platform::FreeLibrary(entry.library);
            continue;
        }
        entries.push_back(std::move(entry));
    }
}

const char* CASIODriverList::Name(int32_t index) const
{
    return index >= 0 && index < Count() ? entries[static_cast<size_t>(index)].name.c_str() : nullptr;
}

int32_t CASIODriverList::OpenDriver(int32_t id, IASIODriver** driver)
{
    if (!driver)
        return NO_PLACE;
    if (id < 0 || id >= Count())
        return NO_SUCH_DRIVER;
    Entry& entry = entries[static_cast<size_t>(id)];
    if (entry.driver)
        return ALREADY_OPEN;
    void* object = nullptr;
    // The class id serves as the interface id too: each class is one driver.
    int32_t result = platform::FindComponentFactory(entry.library)(&entry.classId, &entry.classId, &object);
    if (result != 0 || !object)
        return result != 0 ? result : ASE_NotPresent;
    entry.driver = static_cast<IASIODriver*>(object);
    *driver = entry.driver;
    return 0;
}

void CASIODriverList::CloseDriver(int32_t id)
{
    if (id < 0 || id >= Count())
        return;
    Entry& entry = entries[static_cast<size_t>(id)];
    if (entry.driver) {
        entry.driver->Release();
        entry.driver = nullptr;
    }
}

int32_t CASIODriverList::FindByName(const char* name) const
{
    for (int32_t id = 0; id < Count(); ++id) {
        if (entries[static_cast<size_t>(id)].name == name)
            return id;
    }
    return NO_SUCH_DRIVER;
}

bool CASIODriverList::LoadDriver(const char* name)
{
    RemoveCurrentDriver();
    lastError.clear();
    int32_t id = FindByName(name);
    IASIODriver* driver = nullptr;
    int32_t result = id < 0 ? id : OpenDriver(id, &driver);
    if (result != 0) {
        lastError = FormatText("Driver Not Created <Error Code %i>", result);
        return false;
    }
    current = id;
    if (!driver->init(nullptr)) {
        char text[kASIOErrorMessageSize] = {};
        driver->getErrorMessage(text);
        lastError = text;
        RemoveCurrentDriver();
        return false;
    }
    char driverName[kASIODriverNameSize] = {};
    driver->getDriverName(driverName);
    Trace("ASIO: <%s> Loaded, Version %i", driverName, driver->getDriverVersion());
    return true;
}

void CASIODriverList::RemoveCurrentDriver()
{
    CloseDriver(current);
    current = -1;
}

IASIODriver& CASIODriverList::Current()
{
    return current >= 0 ? *entries[static_cast<size_t>(current)].driver : notPresent;
}
