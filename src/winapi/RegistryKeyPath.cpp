#include "RegistryKeyPath.h"

namespace winapi {
namespace {

char16_t Fold(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

} // namespace

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::u16string JoinPath(const std::vector<std::u16string_view>& parts) {
    std::u16string path;
    for (auto part : parts) {
        if (!path.empty())
            path += u'\\';
        path += part;
    }
    return path;
}

} // namespace winapi
