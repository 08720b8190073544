// ole32 task memory on the C heap. The shell allocator is one static object whose reference
// count never frees it, as the system allocator on Windows lives as long as the process.
#include "objidl.h"
#include "shell32.h"

#include <cstdlib>
#include <malloc.h>

const IID IID_IMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

LPVOID CoTaskMemAlloc(SIZE_T size) {
    return std::malloc(size ? size : 1);
}

void CoTaskMemFree(LPVOID block) {
    std::free(block);
}

namespace {

class TaskAllocator final : public IMalloc {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_INVALIDARG;
        if (iid == IID_IUnknown || iid == IID_IMalloc) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    void* Alloc(SIZE_T size) override { return CoTaskMemAlloc(size); }
    void* Realloc(void* block, SIZE_T size) override { return std::realloc(block, size); }
    void Free(void* block) override { CoTaskMemFree(block); }
    SIZE_T GetSize(void* block) override {
        return block ? malloc_usable_size(block) : static_cast<SIZE_T>(-1);
    }
    // The C heap cannot tell its own blocks from others: "don't know", as COM allows.
    int DidAlloc(void* /*block*/) override { return -1; }
    void HeapMinimize() override { malloc_trim(0); }
};

TaskAllocator taskAllocator;

} // namespace

HRESULT SHGetMalloc(IMalloc** malloc) {
    if (!malloc)
        return E_INVALIDARG;
    *malloc = &taskAllocator;
    return S_OK;
}
