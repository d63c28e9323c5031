#include "app/readers/CSoundFontLoader.h"
#include "app/readers/CBankReceiver.h"
#include <cstdio>
#include <cstring>

namespace {
constexpr uint32_t kPresetRecord = 38;
constexpr uint32_t kSampleRecord = 46;
constexpr size_t kNameLength = 20;

std::string TextOf(const uint8_t* data, size_t size)
{
    const void* zero = std::memchr(data, 0, size);
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size;
    return std::string(reinterpret_cast<const char*>(data), length);
}

std::string VersionText(int major, int minor)
{
    char text[32];
    std::snprintf(text, sizeof text, "%i.%i", major, minor);
    return text;
}
} // namespace

void CSoundFontLoader::Reset()
{
    hasInfo = hasVersion = hasRomVersion = false;
    versionMajor = versionMinor = romMajor = romMinor = 0;
    soundEngine.reset();
    bankNameItem.reset();
    romName.reset();
    creationDate.reset();
    soundDesigner.reset();
    product.reset();
    copyright.reset();
    comment.reset();
    tools.reset();
    bankName.clear();
    presetHeaders = nullptr;
    presetCount = 0;
    sampleHeaders = nullptr;
    sampleCount = 0;
}

int32_t CSoundFontLoader::LoadBank(const char* path)
{
    int32_t result = ReadFile(path, "sfbk");
    return result != RIFF_DONE ? result : Finish();
}

int32_t CSoundFontLoader::LoadBankMemory(const uint8_t* bytes, size_t length)
{
    int32_t result = ReadMemory(bytes, length, "sfbk");
    return result != RIFF_DONE ? result : Finish();
}

int32_t CSoundFontLoader::Finish()
{
    if (!hasVersion || !soundEngine || !bankNameItem || presetCount < 1) {
        Reset();
        return RIFF_BAD_FORMAT;
    }
    bankName = *bankNameItem;
    return receiver ? Report() : RIFF_DONE;
}

int32_t CSoundFontLoader::Report()
{
    if (int32_t result = receiver->Begin(); result != 0)
        return result;
    auto report = [&]() -> int32_t {
        int32_t item = -1;
        if (int32_t result = receiver->AddBank(bankName.c_str(), &item); result != 0)
            return result;
        struct Entry {
            const char* label;
            std::optional<std::string> text;
        };
        const Entry entries[] = {
            {"SoundFont Version", VersionText(versionMajor, versionMinor)},
            {"Sound Engine", soundEngine},
            {"ROM", romName},
            {"ROM Version", hasRomVersion ? std::optional<std::string>(VersionText(romMajor, romMinor)) : std::nullopt},
            {"Creation Date", creationDate},
            {"Sound Designer", soundDesigner},
            {"Product", product},
            {"Copyright", copyright},
            {"Comment", comment},
            {"Tools", tools},
        };
        for (const Entry& entry : entries) {
            if (!entry.text)
                continue;
            if (int32_t result = receiver->AddInfo(item, entry.label, entry.text->c_str()); result != 0)
                return result;
        }
        for (int32_t i = 0; i < presetCount; ++i) {
            std::string name = TextOf(presetHeaders + i * kPresetRecord, kNameLength);
            if (int32_t result = receiver->AddPreset(item, name.c_str()); result != 0)
                return result;
        }
        return 0;
    };
    int32_t result = report();
    receiver->End();
    return result;
}

int32_t CSoundFontLoader::HandleChunk(const RIFFChunk& chunk, const uint8_t* data, int32_t depth, int32_t kind)
{
    bool isList = IsId(chunk.id, "LIST");
    if (depth == 0) {
        if (!isList)
            return RIFF_DONE;
        uint32_t listSize = chunk.size - 4;
        if (IsId(reinterpret_cast<const char*>(chunk.data), "INFO")) {
            hasInfo = true;
            return WalkChunks(data, listSize, 1, KIND_INFO);
        }
        if (IsId(reinterpret_cast<const char*>(chunk.data), "sdta"))
            return RIFF_DONE; // the sample data is not needed to list a bank
        if (IsId(reinterpret_cast<const char*>(chunk.data), "pdta"))
            return WalkChunks(data, listSize, 1, KIND_PRESETS);
        return RIFF_BAD_FORMAT;
    }
    if (kind == KIND_INFO) {
        auto text = [&](std::optional<std::string>& item) {
            item = TextOf(data, chunk.size);
            return RIFF_DONE;
        };
        if (IsId(chunk.id, "ifil") || IsId(chunk.id, "iver")) {
            if (chunk.size < 4)
                return RIFF_BAD_FORMAT;
            bool rom = IsId(chunk.id, "iver");
            (rom ? romMajor : versionMajor) = Read16(data);
            (rom ? romMinor : versionMinor) = Read16(data + 2);
            (rom ? hasRomVersion : hasVersion) = true;
            return RIFF_DONE;
        }
        if (IsId(chunk.id, "isng"))
            return text(soundEngine);
        if (IsId(chunk.id, "INAM"))
            return text(bankNameItem);
        if (IsId(chunk.id, "irom"))
            return text(romName);
        if (IsId(chunk.id, "ICRD"))
            return text(creationDate);
        if (IsId(chunk.id, "IENG"))
            return text(soundDesigner);
        if (IsId(chunk.id, "IPRD"))
            return text(product);
        if (IsId(chunk.id, "ICOP"))
            return text(copyright);
        if (IsId(chunk.id, "ICMT"))
            return text(comment);
        if (IsId(chunk.id, "ISFT"))
            return text(tools);
        return RIFF_DONE;
    }
    if (kind == KIND_PRESETS) {
        if (IsId(chunk.id, "phdr")) {
            if (chunk.size % kPresetRecord != 0 || chunk.size / kPresetRecord < 2)
                return RIFF_BAD_FORMAT;
            presetHeaders = data;
            presetCount = static_cast<int32_t>(chunk.size / kPresetRecord) - 1;
        } else if (IsId(chunk.id, "shdr")) {
            if (chunk.size % kSampleRecord == 0 && chunk.size >= kSampleRecord) {
                sampleHeaders = data;
                sampleCount = static_cast<int32_t>(chunk.size / kSampleRecord) - 1;
            }
        }
    }
    return RIFF_DONE;
}

std::vector<SoundFontPreset> CSoundFontLoader::Presets() const
{
    std::vector<SoundFontPreset> presets;
    for (int32_t i = 0; i < presetCount; ++i) {
        const uint8_t* record = presetHeaders + i * kPresetRecord;
        presets.push_back({TextOf(record, kNameLength), Read16(record + 20), Read16(record + 22)});
    }
    return presets;
}

std::vector<SoundFontSample> CSoundFontLoader::Samples() const
{
    std::vector<SoundFontSample> samples;
    for (int32_t i = 0; i < sampleCount; ++i) {
        const uint8_t* record = sampleHeaders + i * kSampleRecord;
        SoundFontSample sample;
        sample.name = TextOf(record, kNameLength);
        sample.start = Read32(record + 20);
        sample.end = Read32(record + 24);
        sample.loopStart = Read32(record + 28);
        sample.loopEnd = Read32(record + 32);
        sample.sampleRate = Read32(record + 36);
        sample.originalKey = record[40];
        sample.correction = static_cast<int8_t>(record[41]);
        sample.link = Read16(record + 42);
        sample.type = Read16(record + 44);
        samples.push_back(sample);
    }
    return samples;
}
