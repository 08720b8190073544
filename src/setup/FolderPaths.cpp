#include "FolderPaths.h"

#include "winapi/kernel32.h"

#include <Gbk.h>

namespace {

AnsiString ExcludeTrailingBackslash(const AnsiString& path) {
    if (gbk::EndsWithBackslash(path))
        return path.substr(0, path.size() - 1);
    return path;
}

// The folder part of a path including its final "\" or drive ":"; GBK trail bytes that equal
// "\" are not separators.
AnsiString ParentPath(const AnsiString& path) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (gbk::IsLeadByte(c) && i + 1 < path.size())
            ++i;
        else if (c == '\\' || c == ':')
            cut = i + 1;
    }
    return path.substr(0, cut);
}

} // namespace

AnsiString IncludeTrailingBackslash(const AnsiString& path) {
    return gbk::EndsWithBackslash(path) ? path : path + "\\";
}

bool FolderExists(const AnsiString& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPath(const AnsiString& folder) {
    AnsiString path = ExcludeTrailingBackslash(folder);
    AnsiString parent = ParentPath(path);
    if (path.size() < 3 || FolderExists(path) || parent == path)
        return true;
    return CreateFolderPath(parent) && CreateDirectoryA(path.c_str(), nullptr);
}
