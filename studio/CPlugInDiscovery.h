#pragma once
#include "platform/OsFiles.h"
#include "studio/CVSTScanner.h"
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CVelmHost;

struct DiscoverySettings {
    VSTScanSettings scan;
    // The scan cache; empty: none.
    std::string cacheFile;

    // The scanner beside the program and the cache in the config folder.
    static DiscoverySettings Defaults();
};

// Collects the machine types of the machine libraries in "PlugIns" and of
// the VST plug-ins in the VST folders into the host's type list.
class CPlugInDiscovery {
public:
    using StatusFunction = std::function<void(const std::string& text)>;

    CPlugInDiscovery(CVelmHost* host, DiscoverySettings settings, StatusFunction status = {});

    // Every "*.so" file directly in the folder, in name order: a library
    // that exports VelmPlugInit registers its types and stays loaded for
    // the rest of the process; anything else is skipped.
    int32_t ScanMachineLibraries(const std::string& folder);

    // Every "*.so" file of the folders, in list order, depth first, the
    // files of a folder before its subfolders; one type per plug-in. A
    // folder reached again through a link, and a file reached again as
    // the same real file, are skipped with a note; a listed folder that
    // was scanned already is skipped quietly. Returns the number of types
    // registered.
    int32_t ScanVSTFolders(const std::vector<std::string>& folders);

    // What was skipped and why, as also written to standard error.
    const std::vector<std::string>& GetNotes() const { return notes; }

private:
    struct Candidate {
        std::string path;
        std::string fileName;
        std::string realPath;
        platform::FileInfo info;
    };
    // Real files and folders (device, inode) met so far, with the path
    // they were first met by.
    using SeenFiles = std::map<std::pair<uint64_t, uint64_t>, std::string>;

    // `listed`: the folder is an entry of the path list (not reached by
    // walking), and one listed twice is simply scanned once.
    void CollectFolder(const std::string& folder, bool listed, std::vector<Candidate>& files, SeenFiles& folders,
                       SeenFiles& seen);
    void Status(const std::string& text);
    void Note(const std::string& text);

    CVelmHost* host;
    DiscoverySettings settings;
    StatusFunction status;
    std::vector<std::string> notes;
};
