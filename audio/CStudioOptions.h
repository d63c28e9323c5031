#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The user's settings: read once at start-up, changed in place by the output
// drivers and the options dialog, written once at shutdown.
//
// Design note: a plain record plus its reader and writer. Readers of a field
// check the value themselves (drivers clamp sizes and negotiate formats);
// the reader here only guarantees that whatever could not be read from a
// damaged file keeps its default and that no length or count in the file is
// trusted beyond the bytes that are really there.
class CStudioOptions {
public:
    static constexpr int32_t kMagic = 0x566D4F70; // "VmOp"
    static constexpr int32_t kVersion = 3;

    CStudioOptions();

    // Every field to its default, including the default plug-in paths.
    void SetDefaults();

    // Defaults, then whatever the file at the standard location holds.
    void Read();
    // Stores the record as version 3 at the standard location; false when
    // there is no location or the file could not be written.
    bool Write() const;

    // The same for an explicit file.
    void ReadFrom(const std::string& path);
    bool WriteTo(const std::string& path) const;

    // "<config>/Velmora Studio/Velmora.opt", or empty when the user has no
    // configuration folder.
    static std::string Location();

    // The version 3 file image of this record.
    std::vector<unsigned char> Serialize() const;
    // Reads a file image over the current values; fields the image does not
    // (completely) hold keep their values.
    void Deserialize(const unsigned char* data, size_t size);

    int32_t dialogWidth;
    int32_t dialogHeight;
    int32_t outputDriver;
    int32_t nullBufferSize;
    int32_t nullFormat;
    int32_t waveOutDevice;
    int32_t waveOutBufferSize;
    int32_t waveOutFormat;
    int32_t asioDriver;
    int32_t asioBufferSize;
    int32_t asioRate;
    std::vector<std::string> pluginPaths;

    bool operator==(const CStudioOptions&) const = default;
};
