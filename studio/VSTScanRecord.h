#pragma once
#include <cstdint>
#include <string>

enum class VSTEntryKind : uint8_t {
    PluginMain, // "VSTPluginMain"
    Main,       // "main", in older plug-ins
};

// What scanning one plug-in file learned.
enum class VSTScanStatus : uint8_t {
    Type,        // a machine type: entry kind and unique ID are valid
    NotLoadable, // not a loadable library
    NoEntry,     // a library without either entry
    NoEffect,    // the entry returned no effect record
    Crashed,     // the scan ended abnormally
    Hung,        // the scan did not finish within the time limit
    NotScanned,  // no scanner could be started
};

struct VSTScanRecord {
    VSTScanStatus status = VSTScanStatus::NotLoadable;
    VSTEntryKind entryKind = VSTEntryKind::PluginMain;
    int32_t uniqueID = 0;

    bool operator==(const VSTScanRecord&) const = default;
};

const char* EntryName(VSTEntryKind kind);

// One line of text: "<status> <entry> <unique ID in hex>". Parsing is strict;
// false for anything else.
std::string FormatScanRecord(const VSTScanRecord& record);
bool ParseScanRecord(const std::string& text, VSTScanRecord* record);

// Paths travel in lines of text: bytes below 0x20, 0x7f and '%' become
// "%XX". Unescaping fails on a malformed escape.
std::string EscapeText(const std::string& text);
bool UnescapeText(const std::string& text, std::string* out);
