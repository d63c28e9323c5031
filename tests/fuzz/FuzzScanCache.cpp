// The plug-in scan cache file.
#include "FuzzFiles.h"
#include "studio/CVSTScanCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CVSTScanCache cache(FuzzInputFile("VSTScanCache.txt", data, size));
    cache.Load();
    return 0;
}
