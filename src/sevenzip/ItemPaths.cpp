#include "sevenzip/ItemPaths.h"

#include "winapi/Gbk.h"

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Absolute paths, drive letters and ".." components all lead out of the extract folder.
bool LeavesFolder(std::wstring_view path) {
    if (!path.empty() && IsSeparator(path.front()))
        return true;
    if (path.size() >= 2 && path[1] == L':')
        return true;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        if (path.substr(start, end - start) == L"..")
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

AnsiString MessageText(std::wstring_view text) {
    AnsiString result;
    for (wchar_t c : text)
        result += gbk::FromWide(std::wstring_view(&c, 1)).value_or("?");
    return result;
}

AnsiString ItemTargetPath(std::wstring_view itemPath) {
    if (LeavesFolder(itemPath))
        throw Exception(gbk::Literal("压缩包中的文件“") + MessageText(itemPath) +
                        gbk::Literal("”的路径指向解压文件夹之外，已拒绝解压"));
    std::wstring windowsPath(itemPath);
    for (wchar_t& c : windowsPath)
        if (c == L'/')
            c = L'\\';
    std::optional<AnsiString> path = gbk::FromWide(windowsPath);
    if (!path)
        throw Exception(gbk::Literal("压缩包中的文件名“") + MessageText(itemPath) +
                        gbk::Literal("”无法用 GBK 编码表示，不能解压"));
    return *path;
}
