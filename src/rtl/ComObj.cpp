#include "ComObj.h"

#include "SysErrorMessage.h"

#include <cstdio>

void OleCheck(HRESULT result) {
    if (SUCCEEDED(result))
        return;
    AnsiString message = SysErrorMessage(static_cast<DWORD>(result));
    if (message.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, "OLE error %08X", static_cast<unsigned>(result));
        message = text;
    }
    throw EOleSysError(message, result);
}
