// The PNG reader of the pictures.
#include "framework/Errors.h"
#include "ui/CPicture.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPicture picture;
    try {
        picture.Decode(data, size);
    } catch (const CError&) {
    }
    return 0;
}
