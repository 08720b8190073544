// A library of the player's Modules folder (codecs, splitters, filters, renderers, ...). The
// demo product links every such file from this one object, each with its own version resource
// and data; it loads, and answers the interface query the player makes before it uses a module.
// windows.h comes first: the other Windows headers rely on its types.
#include <windows.h>

// The module interface this build of the player speaks.
#define MODULE_INTERFACE_VERSION 0x00030005

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) DWORD WINAPI ModuleInterfaceVersion(void) {
    return MODULE_INTERFACE_VERSION;
}
