#include "platform/OsLibrary.h"
#include <dlfcn.h>
#include <string>

namespace platform {

namespace {
thread_local std::string lastError;
}

LibraryHandle LoadLibrary(const char* path)
{
    LibraryHandle library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        lastError = error ? error : "";
    }
    return library;
}

void* GetSymbol(LibraryHandle library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

void FreeLibrary(LibraryHandle library)
{
    if (library)
        dlclose(library);
}

const char* LastLibraryError()
{
    return lastError.c_str();
}

} // namespace platform
