#include "RegistryValues.h"

#include "winapi/Gbk.h"
#include "winapi/advapi32.h"

namespace testing_support {

std::vector<NamedRegistryValue> RegistryValuesOfEveryType() {
    using winapi::RegistryString;
    using winapi::Utf16LeBytes;
    std::string bytes;
    for (int i = 0; i < 64; ++i)
        bytes += static_cast<char>(i * 7);
    return {
        {gbk::Literal("显示名"), {REG_SZ, RegistryString(u"塔维莫 \"播放器\" \\ \U0001F3AC")}},
        {"Expandable", {REG_EXPAND_SZ, RegistryString(u"%ProgramFiles%\\Vostrel")}},
        {"Number", {REG_DWORD, std::string("\x78\x56\x34\x12", 4)}},
        {"Bytes", {REG_BINARY, bytes}},
        {"EmptyBytes", {REG_BINARY, ""}},
        {"List", {REG_MULTI_SZ, Utf16LeBytes(std::u16string(u"one\0二\0\0", 7))}},
    };
}

std::vector<NamedRegistryValue> OddlySizedRegistryValues() {
    return {
        {"Unterminated", {REG_SZ, std::string("a\0b", 3)}},
        {"ShortNumber", {REG_DWORD, std::string("\x01\x02", 2)}},
    };
}

} // namespace testing_support
