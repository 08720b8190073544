// shell32 special folders. Each CSIDL the program asks for is a folder of the Wine profile in
// the system root; its item list carries the Windows path. Naming a folder creates nothing:
// the root is made when a file in it is first touched.
#include "shell32.h"

#include "Gbk.h"
#include "SystemRoot.h"
#include "kernel32.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Marks an item as a file-system path item of this layer.
constexpr char kPathItemTag[4] = {'P', 'A', 'T', 'H'};

struct SpecialFolder {
    int csidl;
    const char* underProfile; // path below C:\users\<user>, or nullptr
    const char* underDriveC;  // path below C:\ otherwise
};

constexpr SpecialFolder kSpecialFolders[] = {
    {CSIDL_PROGRAMS, "AppData/Roaming/Microsoft/Windows/Start Menu/Programs", nullptr},
    {CSIDL_DESKTOPDIRECTORY, "Desktop", nullptr},
    {CSIDL_APPDATA, "AppData/Roaming", nullptr},
    {CSIDL_PROGRAM_FILES, nullptr, "Program Files"},
};

const SpecialFolder* FindSpecialFolder(int csidl) {
    for (const SpecialFolder& folder : kSpecialFolders)
        if (folder.csidl == csidl)
            return &folder;
    return nullptr;
}

LPITEMIDLIST MakePathItemList(const std::string& windowsPath) {
    const size_t itemSize = sizeof(USHORT) + sizeof kPathItemTag + windowsPath.size() + 1;
    if (itemSize > 0xFFFF)
        return nullptr;
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(itemSize + sizeof(USHORT)));
    if (!bytes)
        return nullptr;
    const auto cb = static_cast<USHORT>(itemSize);
    const USHORT end = 0;
    std::memcpy(bytes, &cb, sizeof cb);
    std::memcpy(bytes + sizeof cb, kPathItemTag, sizeof kPathItemTag);
    std::memcpy(bytes + sizeof cb + sizeof kPathItemTag, windowsPath.c_str(),
                windowsPath.size() + 1);
    std::memcpy(bytes + itemSize, &end, sizeof end);
    return reinterpret_cast<LPITEMIDLIST>(bytes);
}

} // namespace

HRESULT SHGetSpecialFolderLocation(HWND /*owner*/, int folder, LPITEMIDLIST* itemList) {
    if (!itemList)
        return E_INVALIDARG;
    *itemList = nullptr;
    const SpecialFolder* special = FindSpecialFolder(folder);
    if (!special)
        return E_INVALIDARG;
    if (!winapi::SystemRootLocation())
        return HRESULT_FROM_WIN32(GetLastError());
    const std::optional<std::string> user = gbk::FromUtf8(winapi::WineUserName());
    if (!user)
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    std::string windowsPath = special->underProfile
                                  ? "C:\\users\\" + *user + "\\" + special->underProfile
                                  : std::string("C:\\") + special->underDriveC;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    *itemList = MakePathItemList(windowsPath);
    return *itemList ? S_OK : E_OUTOFMEMORY;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST itemList, LPSTR path) {
    if (!path)
        return FALSE;
    path[0] = '\0';
    if (!itemList)
        return FALSE;
    const auto* bytes = reinterpret_cast<const BYTE*>(itemList);
    USHORT cb = 0;
    std::memcpy(&cb, bytes, sizeof cb);
    const size_t header = sizeof cb + sizeof kPathItemTag;
    if (cb <= header || std::memcmp(bytes + sizeof cb, kPathItemTag, sizeof kPathItemTag) != 0)
        return FALSE;
    const char* text = reinterpret_cast<const char*>(bytes + header);
    const size_t length = strnlen(text, cb - header);
    if (length >= MAX_PATH)
        return FALSE;
    std::memcpy(path, text, length);
    path[length] = '\0';
    return TRUE;
}

void ILFree(LPITEMIDLIST itemList) {
    CoTaskMemFree(itemList);
}
