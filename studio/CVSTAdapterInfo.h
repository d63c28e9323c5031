#pragma once
#include "framework/CMachineInfo.h"
#include "framework/CMutex.h"
#include "framework/VSTInterface.h"
#include "platform/OsLibrary.h"
#include "studio/VSTScanRecord.h"
#include <cstdint>
#include <string>

class CHost;

// The machine type of one VST plug-in file. The library is loaded only while
// at least one machine of the type exists, and shared by all of them.
class CVSTAdapterInfo : public CMachineInfo {
public:
    // A type from what a scan learned; nothing is loaded.
    CVSTAdapterInfo(CHost* host, const std::string& path, VSTEntryKind entryKind, int32_t uniqueID);
    ~CVSTAdapterInfo() override;

    // Learns the type in this process: loads the library, creates one
    // machine to read the unique ID, releases it and unloads the library.
    // Null when the file gives no type; the record says why.
    static CVSTAdapterInfo* Probe(CHost* host, const std::string& path, VSTScanRecord* record);

    // "VST::" and the low four bits of each unique ID byte, least
    // significant first; a zero code ends it early.
    static void BuildIdentifier(int32_t uniqueID, char* out);

    CMachine* CreateMachine() override;

    CHost* GetHost() const { return host; }
    const std::string& GetPath() const { return path; }
    // The plug-in's folder with a trailing separator.
    const char* GetFolder() const { return folder.c_str(); }
    VSTEntryKind GetEntryKind() const { return entryKind; }
    int32_t GetUniqueID() const { return uniqueID; }
    int32_t GetInstanceCount();
    bool IsLibraryLoaded();

    // Instance bookkeeping of CVSTAdapter: the entry of the loaded library
    // (null when it could not be loaded), and the release of an instance,
    // which unloads the library with the last one.
    VSTEntryProc GetEntry();
    void InstanceReleased();
    // The library stays loaded for good from now on: after an editor was
    // opened, toolkit threads and process-wide handlers point into it.
    void KeepLibraryLoaded();
    bool IsLibraryKeptLoaded();

private:
    void SetUniqueID(int32_t id);

    CHost* host;
    std::string typeName;
    std::string path;
    std::string folder;
    char identifierText[16] = {};
    VSTEntryKind entryKind;
    int32_t uniqueID = 0;

    CMutex instanceLock;
    platform::LibraryHandle library = nullptr;
    VSTEntryProc entry = nullptr;
    int32_t instanceCount = 0;
    platform::LibraryHandle keptLibrary = nullptr; // never freed
};

// The entry of a loaded plug-in library of the given kind, or null.
VSTEntryProc FindVSTEntry(platform::LibraryHandle library, VSTEntryKind kind);
