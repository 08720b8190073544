#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <cstdio>

AnsiString SysErrorMessage(DWORD code) {
    char buffer[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    // Message tables end their texts with ".\r\n", which would double up inside our own texts.
    while (length > 0) {
        unsigned char last = static_cast<unsigned char>(buffer[length - 1]);
        if (last > ' ' && last != '.')
            break;
        --length;
    }
    if (length == 0) {
        // Without a text the user still gets the code to report.
        char code16[16];
        std::snprintf(code16, sizeof code16, "0x%08X", static_cast<unsigned>(code));
        return gbk::Literal("未知错误 (") + code16 + ")";
    }
    return AnsiString(buffer, length);
}
