#include "sevenzip/Bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

using BstrLength = std::uint32_t;

BstrLength* Header(BSTR bstr) {
    return reinterpret_cast<BstrLength*>(bstr) - 1;
}

} // namespace

BSTR AllocBstr(std::wstring_view text) {
    std::size_t bytes = text.size() * sizeof(wchar_t);
    if (bytes > 0xFFFFFFFFu - sizeof(BstrLength) - sizeof(wchar_t))
        return nullptr;
    auto* block =
        static_cast<BstrLength*>(std::malloc(sizeof(BstrLength) + bytes + sizeof(wchar_t)));
    if (!block)
        return nullptr;
    *block = static_cast<BstrLength>(bytes);
    auto* characters = reinterpret_cast<wchar_t*>(block + 1);
    if (bytes)
        std::memcpy(characters, text.data(), bytes);
    characters[text.size()] = 0;
    return characters;
}

void FreeBstr(BSTR bstr) {
    if (bstr)
        std::free(Header(bstr));
}

std::wstring_view BstrText(BSTR bstr) {
    if (!bstr)
        return {};
    return {bstr, *Header(bstr) / sizeof(wchar_t)};
}
