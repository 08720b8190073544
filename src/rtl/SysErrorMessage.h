// The system's text for an error code (a Win32 error or an HRESULT), as the run-time library
// shows it inside its own error messages.
#pragma once

#include "rtl/SysUtils.h"
#include "winapi/windef.h"

// FormatMessageA's text for the code with trailing blanks, line breaks and full stops cut off;
// "未知错误 (0x80041234)" when the system has no text for it.
AnsiString SysErrorMessage(DWORD code);
