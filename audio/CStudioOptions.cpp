#include "audio/CStudioOptions.h"
#include "platform/OsPaths.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kFileName = "Velmora.opt";

// Options files are a few hundred bytes; anything past this is not ours.
constexpr long kLargestFile = 16L * 1024 * 1024;

// Sequential little-endian reading that never passes the end of the data.
class CReader {
public:
    CReader(const unsigned char* data, size_t size) : data(data), size(size) {}

    bool Int(int32_t& value)
    {
        if (size - position < 4)
            return false;
        std::memcpy(&value, data + position, 4);
        position += 4;
        return true;
    }
    // Reads into `value` only when four bytes are there.
    void Field(int32_t& value)
    {
        int32_t read;
        if (Int(read))
            value = read;
    }
    size_t Remaining() const { return size - position; }
    const unsigned char* Take(size_t bytes)
    {
        const unsigned char* at = data + position;
        position += bytes;
        return at;
    }

private:
    const unsigned char* data;
    size_t size;
    size_t position = 0;
};

void PutInt(std::vector<unsigned char>& out, int32_t value)
{
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

// The path list replaces the current one only when it was read completely:
// a list cut short would silently lose the user's later folders.
void ReadPaths(CReader& reader, std::vector<std::string>& paths)
{
    int32_t count;
    if (!reader.Int(count) || count < 0 || static_cast<size_t>(count) > reader.Remaining() / 4)
        return;
    std::vector<std::string> read;
    read.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        int32_t length;
        if (!reader.Int(length) || length < 1 || static_cast<size_t>(length) > reader.Remaining())
            return;
        const char* text = reinterpret_cast<const char*>(reader.Take(static_cast<size_t>(length)));
        // The stored length counts the NUL; a text without one ends at the length.
        read.emplace_back(text, strnlen(text, static_cast<size_t>(length)));
    }
    paths = std::move(read);
}

} // namespace

CStudioOptions::CStudioOptions()
{
    SetDefaults();
}

void CStudioOptions::SetDefaults()
{
    dialogWidth = 0;
    dialogHeight = 0;
    outputDriver = -1;
    nullBufferSize = 512;
    nullFormat = 0x800;
    waveOutDevice = 0;
    waveOutBufferSize = 512;
    waveOutFormat = 0x800;
    asioDriver = 0;
    // No size of its own: the ASIO driver replaces a value outside the
    // device's range by the device's preferred size.
    asioBufferSize = 0;
    asioRate = 4;
    pluginPaths = platform::DefaultPluginPaths();
}

std::string CStudioOptions::Location()
{
    std::string folder = platform::StudioConfigFolder();
    if (folder.empty())
        return std::string();
    return platform::JoinPath(folder, kFileName);
}

void CStudioOptions::Read()
{
    SetDefaults();
    std::string path = Location();
    if (!path.empty())
        ReadFrom(path);
}

bool CStudioOptions::Write() const
{
    std::string path = Location();
    if (path.empty() || !platform::CreateFolders(platform::ParentFolder(path)))
        return false;
    return WriteTo(path);
}

void CStudioOptions::ReadFrom(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return;
    std::vector<unsigned char> image;
    unsigned char chunk[4096];
    size_t got;
    while (image.size() < static_cast<size_t>(kLargestFile) && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        image.insert(image.end(), chunk, chunk + got);
    std::fclose(file);
    Deserialize(image.data(), image.size());
}

bool CStudioOptions::WriteTo(const std::string& path) const
{
    std::vector<unsigned char> image = Serialize();
    return platform::ReplaceFileContents(path, image.data(), image.size());
}

std::vector<unsigned char> CStudioOptions::Serialize() const
{
    std::vector<unsigned char> out;
    PutInt(out, kMagic);
    PutInt(out, kVersion);
    for (int32_t value : {outputDriver, nullBufferSize, nullFormat, waveOutDevice, waveOutBufferSize, waveOutFormat,
                          asioDriver, asioBufferSize, asioRate})
        PutInt(out, value);
    PutInt(out, dialogWidth);
    PutInt(out, dialogHeight);
    PutInt(out, static_cast<int32_t>(pluginPaths.size()));
    for (const std::string& path : pluginPaths) {
        PutInt(out, static_cast<int32_t>(path.size() + 1));
        out.insert(out.end(), path.begin(), path.end());
        out.push_back(0);
    }
    return out;
}

void CStudioOptions::Deserialize(const unsigned char* data, size_t size)
{
    CReader reader(data, size);
    int32_t magic, version;
    if (!reader.Int(magic) || !reader.Int(version) || magic != kMagic)
        return;
    if (version == 1 || version >= 3) {
        for (int32_t* field : {&outputDriver, &nullBufferSize, &nullFormat, &waveOutDevice, &waveOutBufferSize,
                               &waveOutFormat, &asioDriver, &asioBufferSize, &asioRate})
            reader.Field(*field);
    } else if (version == 2) {
        // Version 2 had no null driver: its indices were one lower.
        int32_t driver;
        if (reader.Int(driver)) {
            // Version 2 knew two drivers; another index keeps the default.
            if (driver >= 0 && driver <= 1)
                outputDriver = driver + 1;
            nullBufferSize = 512;
            nullFormat = 2048;
        }
        for (int32_t* field : {&waveOutDevice, &waveOutBufferSize, &waveOutFormat, &asioDriver, &asioBufferSize, &asioRate})
            reader.Field(*field);
    } else {
        return;
    }
    if (version != 1) {
        reader.Field(dialogWidth);
        reader.Field(dialogHeight);
    }
    ReadPaths(reader, pluginPaths);
}
