#include "platform/OsRegistry.h"
#include "platform/OsPaths.h"
#include <fstream>
#include <strings.h>

namespace platform {

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A quoted string at `at` with \\ and \" escapes; moves `at` past it.
bool Quoted(const std::string& line, size_t& at, std::string& text)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at >= line.size() || (line[at] != '\\' && line[at] != '"'))
                return false;
            c = line[at];
        }
        text += c;
    }
    return false;
}

// `"name"="value"` or `@="value"`.
bool ValueLine(const std::string& line, std::string& name, std::string& value)
{
    size_t at = 0;
    if (line[0] == '@') {
        name.clear();
        at = 1;
    } else if (!Quoted(line, at, name)) {
        return false;
    }
    if (at >= line.size() || line[at] != '=')
        return false;
    ++at;
    return Quoted(line, at, value) && at == line.size();
}

struct Entry {
    std::string key; // set for a key line
    std::string name;
    std::string value;
};

} // namespace

const RegistryKey* RegistryKey::Open(const std::string& path) const
{
    const RegistryKey* key = this;
    for (const std::string& part : SplitPath(path)) {
        const RegistryKey* found = nullptr;
        for (const auto& subkey : key->subkeys) {
            if (SameName(subkey->name, part)) {
                found = subkey.get();
                break;
            }
        }
        if (!found)
            return nullptr;
        key = found;
    }
    return key;
}

bool RegistryKey::Query(const std::string& valueName, std::string& value) const
{
    for (const auto& [name, text] : values) {
        if (SameName(name, valueName)) {
            value = text;
            return true;
        }
    }
    return false;
}

RegistryKey* RegistryKey::Child(const std::string& childName, const std::string& childOrigin)
{
    for (auto& subkey : subkeys) {
        if (SameName(subkey->name, childName))
            return subkey.get();
    }
    subkeys.push_back(std::make_unique<RegistryKey>(childName, childOrigin));
    return subkeys.back().get();
}

bool Registry::Load(const std::string& path, std::string* error)
{
    std::ifstream file(path);
    if (!file)
        return true;
    // Parsed whole before anything is merged.
    std::vector<Entry> entries;
    bool inKey = false;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        Entry entry;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            entry.key = line.substr(1, line.size() - 2);
            inKey = true;
        } else if (!inKey || !ValueLine(line, entry.name, entry.value)) {
            if (error)
                *error = path + ":" + std::to_string(number) + ": not a key or value";
            return false;
        }
        entries.push_back(std::move(entry));
    }
    const std::string origin = ParentFolder(path);
    RegistryKey* key = nullptr;
    for (const Entry& entry : entries) {
        if (!entry.key.empty()) {
            key = &root;
            for (const std::string& part : SplitPath(entry.key))
                key = key->Child(part, origin);
            continue;
        }
        std::string existing;
        if (!key->Query(entry.name, existing))
            key->values.emplace_back(entry.name, entry.value);
    }
    return true;
}

} // namespace platform
