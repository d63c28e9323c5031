#pragma once
#include "app/readers/CRIFFLoader.h"
#include <optional>
#include <string>
#include <vector>

class CBankReceiver;

// One preset header of a bank ("phdr" record).
struct SoundFontPreset {
    std::string name; // at most 20 characters
    uint16_t program = 0;
    uint16_t bank = 0;
};

// One sample header of a bank ("shdr" record); positions count sample
// points from the start of the bank's sample data.
struct SoundFontSample {
    std::string name; // at most 20 characters
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    uint32_t sampleRate = 0;
    uint8_t originalKey = 0;
    int8_t correction = 0;
    uint16_t link = 0;
    uint16_t type = 0;
};

// Reads a SoundFont 2 bank's information and preset names and tells a
// receiver about them. The sample data itself is not read.
class CSoundFontLoader : public CRIFFLoader {
public:
    explicit CSoundFontLoader(CBankReceiver* receiver = nullptr) : receiver(receiver) {}

    // Reads the file and, when it is a usable bank, reports it.
    int32_t LoadBank(const char* path);
    // The same for a file image in memory.
    int32_t LoadBankMemory(const uint8_t* bytes, size_t length);

    void SetReceiver(CBankReceiver* newReceiver) { receiver = newReceiver; }

    // What the last successful read found.
    int VersionMajor() const { return versionMajor; }
    int VersionMinor() const { return versionMinor; }
    const std::string& BankName() const { return bankName; }
    int32_t PresetCount() const { return presetCount; }
    std::vector<SoundFontPreset> Presets() const;
    // The sample headers, without the terminal record; empty when the bank
    // has none or they are damaged (they are not needed to list presets).
    std::vector<SoundFontSample> Samples() const;

protected:
    int32_t HandleChunk(const RIFFChunk& chunk, const uint8_t* data, int32_t depth, int32_t kind) override;
    void Reset() override;

private:
    enum Kind { KIND_TOP = 0, KIND_INFO = 1, KIND_SAMPLES = 2, KIND_PRESETS = 3 };

    int32_t Finish();
    int32_t Report();

    CBankReceiver* receiver;
    bool hasInfo = false;
    bool hasVersion = false;
    int versionMajor = 0;
    int versionMinor = 0;
    bool hasRomVersion = false;
    int romMajor = 0;
    int romMinor = 0;
    std::optional<std::string> soundEngine, bankNameItem, romName, creationDate, soundDesigner, product,
        copyright, comment, tools;
    std::string bankName;
    const uint8_t* presetHeaders = nullptr;
    int32_t presetCount = 0;
    const uint8_t* sampleHeaders = nullptr;
    int32_t sampleCount = 0;
};
