// A module of its own (loaded like a machine library) with its own resource
// table: the same numbers as the test program's, different contents.
#include "platform/OsResources.h"
#include "ui/CPicture.h"
#include <cstring>

extern "C" __attribute__((visibility("default"))) int32_t ResourceModulePictureWidth(uint16_t number)
{
    CPicture picture;
    picture.LoadResource(number);
    return picture.width;
}

extern "C" __attribute__((visibility("default"))) size_t ResourceModuleBinarySize(uint16_t number)
{
    const unsigned char* data = nullptr;
    size_t size = 0;
    return platform::FindResource("BINARY", number, &data, &size) ? size : 0;
}
