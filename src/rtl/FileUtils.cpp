#include "rtl/FileUtils.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

namespace {

// Strips every trailing separator of either kind, so C:\Apps/\ names the folder Apps and
// not a folder that looks like its own parent.
AnsiString ExcludeTrailingSeparators(AnsiString path) {
    while (!path.empty() && (path.back() == '/' || gbk::EndsWithBackslash(path)))
        path.pop_back();
    return path;
}

} // namespace

AnsiString IncludeTrailingBackslash(const AnsiString& path) {
    return gbk::EndsWithBackslash(path) ? path : path + "\\";
}

AnsiString ExcludeTrailingBackslash(const AnsiString& path) {
    return gbk::EndsWithBackslash(path) ? path.substr(0, path.size() - 1) : path;
}

AnsiString ExtractFilePath(const AnsiString& path) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (gbk::IsLeadByte(c) && i + 1 < path.size())
            ++i;
        else if (c == '\\' || c == '/' || c == ':')
            cut = i + 1;
    }
    return path.substr(0, cut);
}

bool DirectoryExists(const AnsiString& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const AnsiString& dir) {
    AnsiString path = ExcludeTrailingSeparators(dir);
    AnsiString parent = ExtractFilePath(path);
    if (path.size() < 3 || DirectoryExists(path) || parent == path)
        return true;
    return ForceDirectories(parent) && CreateDirectoryA(path.c_str(), nullptr);
}
