#include "sevenzip/T7zPlugin.h"

#include "sevenzip/LibraryResult.h"
#include "winapi/kernel32.h"

T7zPlugin::T7zPlugin(const AnsiString& libraryPath)
    : handle_(LoadLibraryA(libraryPath.c_str())), createObject_(nullptr) {
    if (!handle_)
        throw Exception("Error loading library " + libraryPath);
    createObject_ = reinterpret_cast<CreateObjectFunc>(GetProcAddress(handle_, "CreateObject"));
    if (!createObject_) {
        FreeLibrary(handle_);
        throw Exception(libraryPath + " is not a 7z library");
    }
}

T7zPlugin::~T7zPlugin() {
    FreeLibrary(handle_);
}

void T7zPlugin::CreateObject(const CLSID& classId, const IID& interfaceId, void** object) {
    // Any result but S_OK leaves no object to call, positive ones included.
    CheckLibraryResult(createObject_(&classId, &interfaceId, object));
}
