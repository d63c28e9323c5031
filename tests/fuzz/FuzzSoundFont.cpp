// The RIFF walker and the SoundFont reader, reporting into a bank server.
#include "app/readers/CBankReceiver.h"
#include "app/readers/CSoundFontLoader.h"
#include "framework/CHostBankServer.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CHostBankServer server;
    CBankServerReceiver receiver(&server);
    CSoundFontLoader loader(&receiver);
    int32_t result = loader.LoadBankMemory(data, size);
    if (server.IsLocked())
        std::abort(); // a report must always release the server
    if (result == 0) {
        loader.Presets();
        loader.Samples();
        int32_t presets = 0;
        server.GetPresetCount(0, &presets);
        if (presets != loader.PresetCount())
            std::abort();
    }
    return 0;
}
