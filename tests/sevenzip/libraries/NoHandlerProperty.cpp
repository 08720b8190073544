// A library with a 7-Zip object factory but without GetHandlerProperty, so it is no format
// library.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t
CreateObject(const void*, const void*, void** object) {
    *object = nullptr;
    return static_cast<std::int32_t>(0x80004001); // E_NOTIMPL
}
