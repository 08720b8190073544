// COM helpers of the run-time library: failed HRESULTs and missing interfaces as errors.
#pragma once

#include "SysUtils.h"

#include "winapi/windef.h"

class EOleSysError : public Exception {
public:
    EOleSysError(AnsiString message, HRESULT errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    HRESULT ErrorCode() const { return errorCode_; }

private:
    HRESULT errorCode_;
};

// A requested interface the object does not have: "Interface not supported".
class EIntfCastError : public Exception {
public:
    EIntfCastError() : Exception("Interface not supported") {}
};

// Raises EOleSysError for a failed result: the system's text for the code, or
// "OLE error XXXXXXXX" when it has none.
void OleCheck(HRESULT result);
