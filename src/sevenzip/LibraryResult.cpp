#include "sevenzip/LibraryResult.h"

#include "rtl/SysErrorMessage.h"

namespace {

[[noreturn]] void RaiseResult(HRESULT result) {
    throw Exception(SysErrorMessage(static_cast<DWORD>(result)));
}

} // namespace

void CheckLibraryResult(HRESULT result) {
    if (result != S_OK)
        RaiseResult(result);
}
