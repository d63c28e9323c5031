// The options file image: read over the defaults, then written and read
// back to the same record.
#include "audio/CStudioOptions.h"
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CStudioOptions options;
    options.Deserialize(data, size);
    std::vector<unsigned char> image = options.Serialize();
    CStudioOptions again;
    again.Deserialize(image.data(), image.size());
    if (again.Serialize() != image)
        std::abort();
    return 0;
}
