// The driver registry file that lists the ASIO drivers.
#include "FuzzFiles.h"
#include "platform/OsRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::Registry registry;
    std::string error;
    registry.Load(FuzzInputFile("drivers.reg", data, size), &error);
    registry.Open("HKEY_LOCAL_MACHINE\\software\\asio");
    return 0;
}
