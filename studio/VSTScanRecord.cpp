#include "studio/VSTScanRecord.h"
#include <cstdio>
#include <cstring>

namespace {

struct StatusName {
    VSTScanStatus status;
    const char* name;
};

constexpr StatusName kStatusNames[] = {
    {VSTScanStatus::Type, "type"},
    {VSTScanStatus::NotLoadable, "not-loadable"},
    {VSTScanStatus::NoEntry, "no-entry"},
    {VSTScanStatus::NoEffect, "no-effect"},
    {VSTScanStatus::Crashed, "crashed"},
    {VSTScanStatus::Hung, "hung"},
    {VSTScanStatus::NotScanned, "not-scanned"},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

const char* EntryName(VSTEntryKind kind)
{
    return kind == VSTEntryKind::Main ? "main" : "VSTPluginMain";
}

std::string FormatScanRecord(const VSTScanRecord& record)
{
    const char* status = "crashed";
    for (const StatusName& entry : kStatusNames) {
        if (entry.status == record.status)
            status = entry.name;
    }
    char id[16];
    std::snprintf(id, sizeof id, "%08x", static_cast<uint32_t>(record.uniqueID));
    return std::string(status) + " " + EntryName(record.entryKind) + " " + id;
}

bool ParseScanRecord(const std::string& text, VSTScanRecord* record)
{
    size_t first = text.find(' ');
    size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
    if (second == std::string::npos)
        return false;
    std::string status = text.substr(0, first);
    std::string entry = text.substr(first + 1, second - first - 1);
    std::string id = text.substr(second + 1);

    VSTScanRecord parsed;
    bool known = false;
    for (const StatusName& name : kStatusNames) {
        if (status == name.name) {
            parsed.status = name.status;
            known = true;
        }
    }
    if (!known)
        return false;
    if (entry == "main")
        parsed.entryKind = VSTEntryKind::Main;
    else if (entry != "VSTPluginMain")
        return false;
    if (id.size() != 8)
        return false;
    uint32_t value = 0;
    for (char c : id) {
        int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    parsed.uniqueID = static_cast<int32_t>(value);
    *record = parsed;
    return true;
}

std::string EscapeText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f || c == '%') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool UnescapeText(const std::string& text, std::string* out)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int high = HexDigit(text[i + 1]);
        int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        result += static_cast<char>(high << 4 | low);
        i += 2;
    }
    *out = result;
    return true;
}
