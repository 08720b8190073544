// A format library whose factory answers S_FALSE (a positive, non-zero result) and hands out
// no object.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t
CreateObject(const void*, const void*, void** object) {
    *object = nullptr;
    return 1; // S_FALSE
}

extern "C" __attribute__((visibility("default"))) std::int32_t GetHandlerProperty(std::uint32_t,
                                                                                  void*) {
    return 0;
}
