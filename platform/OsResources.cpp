#include "platform/OsResources.h"
#include <cstring>

namespace platform {

bool FindResource(const char* type, uint16_t number, const unsigned char** data, size_t* size)
{
    const ResourceTable* table = &velmoraModuleResources;
    if (!table)
        return false;
    for (size_t i = 0; i < table->count; ++i) {
        const ResourceEntry& entry = table->entries[i];
        if (entry.number == number && std::strcmp(entry.type, type) == 0) {
            *data = entry.data;
            *size = entry.size;
            return true;
        }
    }
    return false;
}

} // namespace platform
