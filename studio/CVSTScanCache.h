#pragma once
#include "platform/OsFiles.h"
#include "studio/VSTScanRecord.h"
#include <map>
#include <string>

// What earlier scans learned about plug-in files, kept in the user's
// config folder so that an unchanged plug-in is not loaded again at every
// start. Entries are keyed by the file's real path and valid only for the
// same size and modification time. Only lasting answers are kept (a type,
// or a library without entry); a file that failed is scanned again at the
// next start, so that a repaired plug-in is found.
class CVSTScanCache {
public:
    explicit CVSTScanCache(std::string file);

    // "VSTScanCache.txt" in the studio's config folder; empty without one.
    static std::string DefaultFile();
    static bool IsLasting(VSTScanStatus status);

    // A missing or unreadable file gives an empty cache; lines that do not
    // parse are ignored.
    void Load();
    bool Lookup(const std::string& realPath, const platform::FileInfo& file, VSTScanRecord* record);
    void Store(const std::string& realPath, const platform::FileInfo& file, const VSTScanRecord& record);
    // Writes the entries looked up or stored since Load (files that are
    // gone drop out), only when that changes the file.
    bool Save();

    int32_t GetEntryCount() const { return static_cast<int32_t>(entries.size()); }

private:
    struct Entry {
        uint64_t size;
        int64_t modifiedNs;
        VSTScanRecord record;
        bool used;
    };

    std::string Format() const;

    std::string file;
    std::map<std::string, Entry> entries;
    std::string loadedText;
};
