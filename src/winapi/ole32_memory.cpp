// ole32 task memory on the C heap.
#include "objidl.h"

#include <cstdlib>

LPVOID CoTaskMemAlloc(SIZE_T size) {
    return std::malloc(size ? size : 1);
}

void CoTaskMemFree(LPVOID block) {
    std::free(block);
}
