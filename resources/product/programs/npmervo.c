// The demo browser plug-in: a COM in-process server that registers and removes its class.
// Registration writes HKCR\CLSID\{class}\InprocServer32 = this library's full path with
// ThreadingModel Apartment, which is what Regsvr32 and an uninstaller call for.
// windows.h comes first: the other Windows headers rely on its types.
#include <windows.h>

#include <olectl.h>
#define CLASS_KEY L"CLSID\\{6A3C2F41-8B7D-4E59-9C1A-2D5E7F804B13}"

static HINSTANCE self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

static LONG setString(HKEY key, const wchar_t* name, const wchar_t* value) {
    return RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value,
                          (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
}

__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    // A path cut off at MAX_PATH would register a library that is not there.
    if (length == 0 || length >= MAX_PATH)
        return SELFREG_E_CLASS;
    HKEY classKey, serverKey;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, CLASS_KEY, 0, NULL, 0, KEY_WRITE, NULL, &classKey,
                        NULL) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    LONG result = setString(classKey, NULL, L"Talvimo 浏览器插件");
    if (result == ERROR_SUCCESS)
        result = RegCreateKeyExW(classKey, L"InprocServer32", 0, NULL, 0, KEY_WRITE, NULL,
                                 &serverKey, NULL);
    RegCloseKey(classKey);
    if (result != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    result = setString(serverKey, NULL, path);
    if (result == ERROR_SUCCESS)
        result = setString(serverKey, L"ThreadingModel", L"Apartment");
    RegCloseKey(serverKey);
    return result == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void) {
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, CLASS_KEY);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
