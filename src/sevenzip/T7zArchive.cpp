#include "sevenzip/T7zArchive.h"

#include "winapi/kernel32.h"

T7zArchive::T7zArchive(const AnsiString& libraryPath)
    : T7zPlugin(libraryPath), getHandlerProperty_(GetProcAddress(Handle(), "GetHandlerProperty")) {
    // Raising here runs ~T7zPlugin, which unloads the library exactly once.
    if (!getHandlerProperty_)
        throw Exception(libraryPath + " is not a Format library");
}
