#include "app/ReaderCommands.h"
#include "app/CommandLine.h"
#include "app/readers/CBankReceiver.h"
#include "app/readers/CSoundFontLoader.h"
#include "app/readers/CWaveSample.h"
#include "framework/CHostBankServer.h"
#include "framework/Errors.h"
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Line breaks inside a value (comments have them) are shown escaped, so
// that every item stays on its own line.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

template <typename Length, typename Fill>
std::string Text(Length length, Fill fill)
{
    int32_t size = 0;
    if (length(&size) != BANK_DONE || size < 0)
        return {};
    std::string text(static_cast<size_t>(size) + 1, '\0');
    fill(text.data());
    text.resize(static_cast<size_t>(size));
    return text;
}

} // namespace

int RunBankInfoCommand(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "Usage: velmora-studio --bank-info FILE.sf2\n");
        return COMMAND_FAILED;
    }
    CHostBankServer server;
    CBankServerReceiver receiver(&server);
    CSoundFontLoader loader(&receiver);
    if (int32_t code = loader.LoadBank(argv[0]); code != 0) {
        Show("Error 0x%x Occured While Loading '%s'", static_cast<unsigned>(code), argv[0]);
        return COMMAND_FAILED;
    }
    const int32_t bank = receiver.BankIndex();
    server.Lock();
    std::printf("Bank: %s\n", OneLine(Text([&](int32_t* n) { return server.GetBankNameLength(bank, n); },
                                           [&](char* out) { server.GetBankName(bank, out); }))
                                      .c_str());
    server.Unlock();
    int32_t count = 0;
    server.GetInformationCount(bank, &count);
    for (int32_t i = 0; i < count; ++i) {
        std::string key = Text([&](int32_t* n) { return server.GetInformationKeyLength(bank, i, n); },
                               [&](char* out) { server.GetInformationKey(bank, i, out); });
        std::string value = Text([&](int32_t* n) { return server.GetInformationValueLength(bank, i, n); },
                                 [&](char* out) { server.GetInformationValue(bank, i, out); });
        std::printf("%s: %s\n", key.c_str(), OneLine(value).c_str());
    }
    server.GetPresetCount(bank, &count);
    std::printf("Presets: %d\n", count);
    for (int32_t i = 0; i < count; ++i) {
        std::string name = Text([&](int32_t* n) { return server.GetPresetNameLength(bank, i, n); },
                                [&](char* out) { server.GetPresetName(bank, i, out); });
        std::printf("%s\n", OneLine(name).c_str());
    }
    return COMMAND_OK;
}

int RunSampleInfoCommand(int argc, char** argv)
{
    if (argc != 1) {
        std::fprintf(stderr, "Usage: velmora-studio --sample-info FILE.wav\n");
        return COMMAND_FAILED;
    }
    CWaveSample sample;
    try {
        sample.Read(argv[0]);
    } catch (const CError& error) {
        Show("%s", error.Text());
        return COMMAND_FAILED;
    }
    double peak = 0.0;
    double sum = 0.0;
    for (int32_t i = 0; i < sample.Count(); ++i) {
        peak = std::max(peak, std::fabs(sample.Samples()[i]));
        sum += sample.Samples()[i] * sample.Samples()[i];
    }
    std::printf("Samples: %d\n", sample.Count());
    std::printf("Sample Rate: %u\n", sample.Format().sampleRate);
    std::printf("Peak: %.6f\n", peak);
    std::printf("RMS: %.6f\n", sample.Count() > 0 ? std::sqrt(sum / sample.Count()) : 0.0);
    return COMMAND_OK;
}
