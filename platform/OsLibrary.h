#pragma once

namespace platform {

// A loaded shared library ("*.so"), or null.
using LibraryHandle = void*;

// Loads with every symbol resolved now and kept local to the library, so
// that libraries built from the same framework source do not interpose
// each other. Null when the file is not a loadable library.
LibraryHandle LoadLibrary(const char* path);
void* GetSymbol(LibraryHandle library, const char* name);
void FreeLibrary(LibraryHandle library);
// Why the last LoadLibrary of this thread failed.
const char* LastLibraryError();

} // namespace platform
