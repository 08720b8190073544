// shell32: special folders as item lists, and starting programs. Item lists are the layer's
// own: one item holding the folder's GBK Windows path, allocated with the task allocator
// (objidl.h) so the program frees them with ILFree or CoTaskMemFree.
#pragma once

#include "objidl.h"
#include "windef.h"

using USHORT = std::uint16_t;

struct SHITEMID {
    USHORT cb; // size of the item including cb; 0 ends the list
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

constexpr int CSIDL_PROGRAMS = 2;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_APPDATA = 26;
constexpr int CSIDL_PROGRAM_FILES = 38;

// The item list of a special folder (one of the CSIDLs above); E_INVALIDARG for others, a
// wrapped Win32 code when the system root is unavailable.
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* itemList);

// The file-system path of an item list into a MAX_PATH buffer; FALSE (and an empty buffer)
// for an item list that names no file-system folder.
BOOL SHGetPathFromIDListA(LPCITEMIDLIST itemList, LPSTR path);

void ILFree(LPITEMIDLIST itemList);

// Starting programs. No shell is involved: a Windows executable runs under "wine" when it is
// on the PATH, a native executable runs directly, any other file opens with "xdg-open".
// A bare file name is looked up in C:\windows\system32, C:\windows and the PATH; when none has
// it and Wine is there, Wine's own search runs it (its built-in programs included). Parameters
// follow Windows' quoting rules. Success is a value above 32, failure one of the SE_ERR codes.
constexpr INT SW_SHOWNORMAL = 1;
constexpr INT SE_ERR_FNF = 2;
constexpr INT SE_ERR_PNF = 3;
constexpr INT SE_ERR_ACCESSDENIED = 5;
constexpr INT SE_ERR_OOM = 8;
constexpr INT SE_ERR_NOASSOC = 31;
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT showCommand);
