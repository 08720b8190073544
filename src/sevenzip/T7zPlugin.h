// T7zPlugin: the 7-Zip library loaded from a path, with its object factory. The library stays
// loaded for the object's whole life and is unloaded when the object is destroyed, after
// everything that came from it (derived classes release their library objects first).
#pragma once

#include "rtl/SysUtils.h"
#include "sevenzip/ComObject.h"
#include "sevenzip/SevenZipInterfaces.h"

class T7zPlugin : public ComObject {
public:
    // Loads the library; raises "Error loading library %s" when it cannot be loaded and
    // "%s is not a 7z library" (after unloading it) when it lacks CreateObject.
    explicit T7zPlugin(const AnsiString& libraryPath);

    // Asks the library's factory for a new object; a negative result raises.
    void CreateObject(const CLSID& classId, const IID& interfaceId, void** object);

protected:
    ~T7zPlugin() override;

    HMODULE Handle() const { return handle_; }

private:
    HMODULE handle_;
    CreateObjectFunc createObject_;
};
