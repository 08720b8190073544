// Our own message texts are written in UTF-8 in the source and used as GBK, the program's
// 8-bit encoding.
#pragma once

#include "rtl/SysUtils.h"
#include "winapi/Gbk.h"

#include <string_view>

inline AnsiString ChineseText(std::string_view utf8) {
    return gbk::FromUtf8(utf8).value_or(AnsiString(utf8));
}
