#include "studio/CVSTScanCache.h"
#include "platform/OsPaths.h"
#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace {

constexpr const char* kHeader = "Velmora VST scan cache 1";
constexpr const char* kFileName = "VSTScanCache.txt";

bool ParseNumber(const std::string& text, uint64_t* value)
{
    if (text.empty() || text.size() > 20)
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (UINT64_MAX - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

} // namespace

CVSTScanCache::CVSTScanCache(std::string file) : file(std::move(file)) {}

std::string CVSTScanCache::DefaultFile()
{
    const std::string folder = platform::StudioConfigFolder();
    return folder.empty() ? std::string() : platform::JoinPath(folder, kFileName);
}

bool CVSTScanCache::IsLasting(VSTScanStatus status)
{
    return status == VSTScanStatus::Type || status == VSTScanStatus::NoEntry;
}

void CVSTScanCache::Load()
{
    entries.clear();
    loadedText.clear();
    if (file.empty() || !platform::ReadTextFile(file, &loadedText))
        return;
    std::istringstream lines(loadedText);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader)
        return;
    while (std::getline(lines, line)) {
        // path \t size \t modified \t record
        size_t first = line.find('\t');
        size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        size_t third = second == std::string::npos ? second : line.find('\t', second + 1);
        if (third == std::string::npos)
            continue;
        std::string path;
        uint64_t size;
        uint64_t modified;
        VSTScanRecord record;
        if (!UnescapeText(line.substr(0, first), &path) || !ParseNumber(line.substr(first + 1, second - first - 1), &size) ||
            !ParseNumber(line.substr(second + 1, third - second - 1), &modified) ||
            !ParseScanRecord(line.substr(third + 1), &record) || !IsLasting(record.status))
            continue;
        entries[path] = Entry{size, static_cast<int64_t>(modified), record, false};
    }
}

bool CVSTScanCache::Lookup(const std::string& realPath, const platform::FileInfo& info, VSTScanRecord* record)
{
    auto found = entries.find(realPath);
    if (found == entries.end() || found->second.size != info.size || found->second.modifiedNs != info.modifiedNs)
        return false;
    found->second.used = true;
    *record = found->second.record;
    return true;
}

void CVSTScanCache::Store(const std::string& realPath, const platform::FileInfo& info, const VSTScanRecord& record)
{
    if (!IsLasting(record.status)) {
        entries.erase(realPath);
        return;
    }
    entries[realPath] = Entry{info.size, info.modifiedNs, record, true};
}

std::string CVSTScanCache::Format() const
{
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [path, entry] : entries) {
        if (!entry.used)
            continue;
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "\t%" PRIu64 "\t%" PRId64 "\t", entry.size, entry.modifiedNs);
        text += EscapeText(path) + numbers + FormatScanRecord(entry.record) + "\n";
    }
    return text;
}

bool CVSTScanCache::Save()
{
    if (file.empty())
        return false;
    std::string text = Format();
    if (text == loadedText)
        return true;
    if (!platform::CreateFolders(platform::ParentFolder(file)) || !platform::ReplaceFileContents(file, text.data(), text.size()))
        return false;
    loadedText = text;
    return true;
}
