#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A registry of keys and string values read from text files in the layout of
// exported registry files:
//
//   ; comment
//   [HKEY_LOCAL_MACHINE\software\asio\JACK]
//   "clsid"="{2F0C7A31-5B1E-4C3D-9A27-6E0D4F1B8C52}"
//   "description"="JACK"
//   [HKEY_CLASSES_ROOT\clsid\{2F0C7A31-5B1E-4C3D-9A27-6E0D4F1B8C52}\InprocServer32]
//   @="velmora-jack-asio.so"
//
// Key and value names compare without regard to case. Several files merge
// into one registry: a key or value that an earlier file defined keeps the
// earlier file's value, and subkeys enumerate in the order they first
// appeared.
namespace platform {

class RegistryKey {
public:
    explicit RegistryKey(std::string name, std::string origin) : name(std::move(name)), origin(std::move(origin)) {}

    const std::string& Name() const { return name; }
    // The folder of the file that first defined this key: relative paths
    // among its values are relative to it.
    const std::string& Origin() const { return origin; }

    size_t SubkeyCount() const { return subkeys.size(); }
    const RegistryKey* Subkey(size_t index) const { return index < subkeys.size() ? subkeys[index].get() : nullptr; }
    // A path of subkeys separated by backslashes; null when missing.
    const RegistryKey* Open(const std::string& path) const;
    // The value of that name ("" for the default value); false when missing.
    bool Query(const std::string& valueName, std::string& value) const;

private:
    friend class Registry;
    RegistryKey* Child(const std::string& childName, const std::string& childOrigin);

    std::string name;
    std::string origin;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::unique_ptr<RegistryKey>> subkeys;
};

class Registry {
public:
    Registry() : root("", "") {}

    // Merges a file into the registry. A missing file is an empty one; a
    // file with any line that is not a comment, key or value is refused as a
    // whole (and `error` says where), so that nothing of it is half taken.
    bool Load(const std::string& path, std::string* error = nullptr);

    // "HKEY_LOCAL_MACHINE\software\asio"; null when missing.
    const RegistryKey* Open(const std::string& path) const { return root.Open(path); }

private:
    RegistryKey root;
};

} // namespace platform
