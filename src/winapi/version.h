// version: the version resource of a Windows executable. On Linux the file is read as the PE
// image it is: the resource directory is walked to the RT_VERSION entry and its block is
// returned as it is stored. Only the root sub-block "\" (the fixed file information) is
// answered, which is all the program asks for.
#pragma once

#include "windef.h"

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

// The size of the file's version block; 0 with the last error set when the file is missing
// (ERROR_FILE_NOT_FOUND), is no PE image (ERROR_BAD_EXE_FORMAT) or has no version resource
// (ERROR_RESOURCE_TYPE_NOT_FOUND). handle is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
// Copies the version block, at most len bytes, into data.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD len, LPVOID data);
// For subBlock "\": a pointer into block to its VS_FIXEDFILEINFO and that record's size.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* len);
