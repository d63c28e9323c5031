#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CProjectBlocks;
class CStudio;

// Project files ("*.vmp"): tempo, machines with their states, cables,
// patterns, the song and the project information text. Saving writes the
// current version (4.0); loading reads versions 0 to 4.
//
// Design note: loading checks every count and length against what is left
// of the file before it allocates or reads anything, so a damaged or hostile
// file ends in "File '%s' Is Corrupt" with what was loaded before the damage
// kept, never in a crash or a huge allocation. Saving builds the whole file
// in memory and replaces the target only once it is written and flushed, so
// a failed save leaves the previous file intact.
class CProjectFile {
public:
    static constexpr int32_t kMagic = 0x564D5020; // "VMP "
    static constexpr uint8_t kMajorVersion = 4;
    static constexpr uint8_t kMinorVersion = 0;
    static constexpr size_t kMachineRecordBytes = 2065;

    // `information` is the project information text, read and written here.
    CProjectFile(CStudio& studio, CProjectBlocks& blocks, std::string& information);

    // Raises "Failed To Open File '%s' For Writing" when the file cannot be
    // written.
    void Save(const std::string& path);
    // The bytes Save writes.
    std::vector<uint8_t> Write();

    // Into a cleared studio. Raises "Failed To Open File '%s' For Reading",
    // "File '%s' Is Corrupt" or "File '%s' Has Incompatible Version Number";
    // a machine whose type is not installed is shown as a message and left
    // out, with its cables and patterns.
    void Load(const std::string& path);
    // Load from bytes already in memory; `path` names the file in messages.
    void Read(const void* data, size_t size, const std::string& path);

    // Machines of the last load that could not be made.
    int32_t GetMissingMachineCount() const { return missingMachines; }

private:
    void ReadProject(const void* data, size_t size, const std::string& path);

    CStudio& studio;
    CProjectBlocks& blocks;
    std::string& information;
    int32_t missingMachines = 0;
};
