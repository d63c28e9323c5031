#pragma once
#include "audio/ASIOInterface.h"
#include "platform/OsComponent.h"
#include <string>
#include <vector>

// The installed low-latency drivers, read from the driver registry files, and
// the one current driver object through which every driver call goes.
//
// Registry: for each subkey of "HKEY_LOCAL_MACHINE\software\asio", its
// "clsid" value names a class key under "HKEY_CLASSES_ROOT\clsid" whose
// "InprocServer32" default value is the driver library (relative to the
// registry file); "description" is the display name (else the subkey name).
class CASIODriverList {
public:
    // Errors of OpenDriver.
    enum : int32_t { NO_PLACE = -5001, ALREADY_OPEN = -5002, NO_SUCH_DRIVER = -5003 };

    // The registry file's name, in the user's configuration folder
    // ("Velmora Studio") and beside the program.
    static constexpr const char* kRegistryFileName = "AsioDrivers.reg";
    // The user's file first: its entries come first and win over the
    // program's.
    static std::vector<std::string> DefaultRegistryFiles();

    // Lists the drivers in registry order. An entry whose class key or
    // library is missing, whose library does not load or lacks the factory,
    // or whose file is malformed is left out.
    explicit CASIODriverList(const std::vector<std::string>& registryFiles = DefaultRegistryFiles());
    // Releases every open driver object; the libraries stay loaded.
    ~CASIODriverList();
    CASIODriverList(const CASIODriverList&) = delete;
    CASIODriverList& operator=(const CASIODriverList&) = delete;

    int32_t Count() const { return static_cast<int32_t>(entries.size()); }
    // Null for an index outside the list.
    const char* Name(int32_t index) const;
    const std::string& ServerPath(int32_t index) const { return entries.at(static_cast<size_t>(index)).serverPath; }

    // Makes the driver object of entry `id` and stores it in the entry and
    // in `*driver`: 0, or NO_PLACE, ALREADY_OPEN, NO_SUCH_DRIVER, or the
    // factory's error.
    int32_t OpenDriver(int32_t id, IASIODriver** driver);
    void CloseDriver(int32_t id);

    // Closes the current driver, opens the named one, makes it current and
    // initialises it. False (and no current driver) when it could not be
    // made or initialised; LastError then says why.
    bool LoadDriver(const char* name);
    // Closes the current driver; none is current afterwards.
    void RemoveCurrentDriver();
    bool HasCurrentDriver() const { return current >= 0; }
    const std::string& LastError() const { return lastError; }

    // The current driver, or without one a driver that answers every call
    // with ASE_NotPresent.
    IASIODriver& Current();

private:
    struct Entry {
        platform::ClassId classId;
        std::string serverPath;
        std::string name;
        platform::LibraryHandle library = nullptr;
        IASIODriver* driver = nullptr;
    };

    void Build(const std::vector<std::string>& registryFiles);
    int32_t FindByName(const char* name) const;

    std::vector<Entry> entries;
    int32_t current = -1;
    std::string lastError;
};
