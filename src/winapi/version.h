// version: the version resource of a Windows executable. On Linux the file is read as the PE
// image it is: the resource directory is walked to the RT_VERSION entry and its block is
// returned as it is stored. Only the root sub-block "\" (the fixed file information) is
// answered, which is all the program asks for. The same reading of the image gives the
// installer its machine type and its icon images, which Linux desktops take as files.
#pragma once

#include "windef.h"

#include <optional>
#include <string>
#include <vector>

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

namespace winapi {
// The machine field of a PE image's file header (0x14C i386, 0x8664 x86-64), or nullopt when
// the Linux file is missing or no PE image.
std::optional<WORD> ImageMachine(const std::string& path);
// The images of the first icon group of a PE image, in the group's order, each as stored (PNG
// or DIB); images the group names but the file lacks are skipped. Empty without an icon.
std::vector<std::string> ReadIconImages(const std::string& path);
} // namespace winapi
