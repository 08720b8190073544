// ole32 task memory: the allocator the shell hands out item lists from and the program frees
// them through.
#pragma once

#include "windef.h"

#include <cstddef>

using SIZE_T = std::size_t;

LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID block);
