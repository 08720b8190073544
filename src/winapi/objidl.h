// ole32 task memory and the shell allocator's interface (IMalloc). The shell hands out item
// lists from this allocator and the program frees them through it.
#pragma once

#include "windef.h"

#include <cstddef>

using SIZE_T = std::size_t;

// IMalloc keeps the COM slot order: IUnknown's three, then Alloc, Realloc, Free, GetSize,
// DidAlloc, HeapMinimize.
struct IMalloc : IUnknown {
    virtual void* Alloc(SIZE_T size) = 0;
    virtual void* Realloc(void* block, SIZE_T size) = 0;
    virtual void Free(void* block) = 0;
    virtual SIZE_T GetSize(void* block) = 0;
    virtual int DidAlloc(void* block) = 0;
    virtual void HeapMinimize() = 0;
};

extern const IID IID_IMalloc;

LPVOID CoTaskMemAlloc(SIZE_T size);
void CoTaskMemFree(LPVOID block);
