// The running executable as a module: what GetModuleHandleA(nullptr) returns and what the
// resource functions accept besides a null module.
#pragma once

#include "windef.h"

namespace winapi {

HMODULE MainModuleHandle();

// True for nullptr and for MainModuleHandle().
bool IsMainModule(HMODULE module);

} // namespace winapi
