// Project files into a studio with the program's built-in machine types, so
// that their state blobs are read too.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "framework/Errors.h"
#include "studio/CProjectFile.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CStudioSession* session = [] {
        SetShowHandler([](const char*, const char*) {});
        return new CStudioSession(44100, 256, RegisterBuiltInMachineTypes);
    }();
    session->NewProject();
    try {
        CProjectFile(session->Studio(), session->Sequencer(), session->Information()).Read(data, size, "fuzz.vmp");
        // What loaded must save again.
        CProjectFile(session->Studio(), session->Sequencer(), session->Information()).Write();
    } catch (const CError&) {
    }
    return 0;
}
