// The shell link object (CLSID_ShellLink) with the two interfaces the program uses. Save writes
// a real .lnk file in Microsoft's published Shell Link binary format (header, link info with
// the local base path, Unicode string data), which Windows, Wine and lnkinfo read; on Linux the
// file name is mapped through the system root like every other Windows path.
#pragma once

#include "windef.h"

extern const CLSID CLSID_ShellLink;
extern const IID IID_IShellLinkA;
extern const IID IID_IPersistFile;

// Only the setters the program calls, in the interface's own slot order. Strings are GBK.
struct IShellLinkA : IUnknown {
    virtual HRESULT SetDescription(LPCSTR name) = 0;
    virtual HRESULT SetWorkingDirectory(LPCSTR dir) = 0;
    virtual HRESULT SetIconLocation(LPCSTR iconPath, int icon) = 0;
    virtual HRESULT SetPath(LPCSTR file) = 0;
};

struct IPersistFile : IUnknown {
    // fileName is an absolute Windows path; remember is accepted and has no effect here.
    virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;
};

namespace winapi {

// A new link object with a reference count of 1 (what CoCreateInstance hands out).
IUnknown* CreateShellLink();

} // namespace winapi
