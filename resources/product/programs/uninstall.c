// The demo uninstaller. It removes exactly what the install recorded in UnInstall.lst beside
// it (format: src/setup/InstalledItems.h): entries in reverse order, a folder only when it is
// empty, registry values and keys (a key only once it has no subkeys). Before that it asks in
// Chinese (unless /S), closes the running product programs and unregisters the plug-in.
//
// A running program cannot delete its own file on Windows, so at the end it copies itself into
// the temporary folder and starts the copy with "/cleanup <pid> <paths>": the copy waits for
// this process to end, deletes this program, the list and the folders that held only them;
// its own file goes when it ends, through a delete-on-close handle it inherits.
// windows.h comes first: the other Windows headers rely on its types.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <tlhelp32.h>
#include <wchar.h>
#define TITLE L"Talvimo 卸载程序"

// The product's programs, compared with the lower-cased file name of each process.
static const wchar_t* const kProductPrograms[] = {
    L"qzmini.exe", L"mervo.exe", L"p2ptrans.exe", L"qztrans.exe", L"mervotips.exe",
};

static void closeProductPrograms(void) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {sizeof entry};
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        const wchar_t* name = wcsrchr(entry.szExeFile, L'\\');
        name = name ? name + 1 : entry.szExeFile;
        wchar_t lower[MAX_PATH];
        lstrcpynW(lower, name, MAX_PATH);
        CharLowerW(lower);
        for (size_t i = 0; i < sizeof kProductPrograms / sizeof *kProductPrograms; ++i) {
            if (wcscmp(lower, kProductPrograms[i]) != 0)
                continue;
            HANDLE process =
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (process) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        }
    }
    CloseHandle(snapshot);
}

static void unregisterPlugin(const wchar_t* folder) {
    wchar_t path[MAX_PATH];
    if (_snwprintf(path, MAX_PATH, L"%lsnpmervo.dll", folder) >= MAX_PATH)
        return;
    HMODULE library = LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library)
        return;
    typedef HRESULT(WINAPI * Unregister)(void);
    Unregister unregister = (Unregister)(void*)GetProcAddress(library, "DllUnregisterServer");
    if (unregister)
        unregister();
    FreeLibrary(library);
}

typedef struct {
    wchar_t kind[16];
    wchar_t* path;
    wchar_t* name;
} Entry;

// Splits key "HKLM\sub\key" into its sub key; NULL for any other root.
static const wchar_t* machineSubKey(const wchar_t* key) {
    return _wcsnicmp(key, L"HKLM\\", 5) == 0 ? key + 5 : NULL;
}

static void removeRegistryValue(const wchar_t* key, const wchar_t* name) {
    const wchar_t* subKey = machineSubKey(key);
    HKEY handle;
    if (subKey &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
        RegDeleteValueW(handle, name);
        RegCloseKey(handle);
    }
}

// Deletes the key's values, then the key, which the registry refuses while subkeys remain:
// a subkey someone else added keeps the key.
static void removeRegistryKey(const wchar_t* key) {
    const wchar_t* subKey = machineSubKey(key);
    HKEY handle;
    if (!subKey ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
        return;
    wchar_t name[16384];
    DWORD length = 16384;
    while (RegEnumValueW(handle, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        if (RegDeleteValueW(handle, name) != ERROR_SUCCESS)
            break;
        length = 16384;
    }
    RegCloseKey(handle);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, subKey);
}

static BOOL samePath(const wchar_t* a, const wchar_t* b) {
    return _wcsicmp(a, b) == 0;
}

// Reads the whole list as UTF-16; NULL when it is missing or not an uninstall list.
static wchar_t* readList(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    const DWORD size = GetFileSize(file, NULL);
    char* bytes = size == INVALID_FILE_SIZE ? NULL : malloc(size + 1);
    DWORD read = 0;
    const BOOL ok = bytes && ReadFile(file, bytes, size, &read, NULL) && read == size;
    CloseHandle(file);
    wchar_t* text = NULL;
    if (ok) {
        const int units =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)size, NULL, 0);
        text = units > 0 || size == 0 ? malloc((units + 1) * sizeof(wchar_t)) : NULL;
        if (text) {
            MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, text, units);
            text[units] = 0;
        }
    }
    free(bytes);
    if (text && wcsncmp(text, L"VostrelUninstallList 1\n", 23) != 0) {
        free(text);
        return NULL;
    }
    return text;
}

// Cuts the list's text into entries in place; returns their number, or -1 for a line that
// is not a valid entry (nothing is removed from a list that cannot be fully read).
static int parseList(wchar_t* text, Entry** entries) {
    int count = 0;
    for (const wchar_t* c = text; *c; ++c)
        count += *c == L'\n';
    *entries = calloc(count + 1, sizeof(Entry));
    int n = 0;
    wchar_t* line = wcschr(text, L'\n') + 1;
    while (*line) {
        wchar_t* end = wcschr(line, L'\n');
        if (!end)
            return -1;
        *end = 0;
        wchar_t* tab = wcschr(line, L'\t');
        if (!tab || tab - line >= 16)
            return -1;
        Entry* entry = &(*entries)[n++];
        lstrcpynW(entry->kind, line, (int)(tab - line) + 1);
        entry->path = tab + 1;
        wchar_t* second = wcschr(entry->path, L'\t');
        if (second) {
            *second = 0;
            entry->name = second + 1;
        }
        const BOOL isValue = wcscmp(entry->kind, L"regvalue") == 0;
        if (*entry->path == 0 || isValue != (entry->name != NULL) ||
            (entry->name && wcschr(entry->name, L'\t')))
            return -1;
        if (wcscmp(entry->kind, L"file") && wcscmp(entry->kind, L"folder") &&
            wcscmp(entry->kind, L"link") && wcscmp(entry->kind, L"launcher") && !isValue &&
            wcscmp(entry->kind, L"regkey"))
            return -1;
        line = end + 1;
    }
    return n;
}

static void deleteFile(const wchar_t* path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
}

// Appends one "/cleanup" argument, quoted; FALSE when the command line would grow too long.
static BOOL appendArgument(wchar_t* line, size_t size, const wchar_t* prefix, const wchar_t* path) {
    const size_t used = wcslen(line);
    const int written = _snwprintf(line + used, size - used, L" \"%ls%ls\"", prefix, path);
    return written >= 0 && (size_t)written < size - used;
}

// Starts the temporary copy that deletes this program, the list and the folders left holding
// them once this process has ended.
static void startCleanup(const wchar_t* self, const wchar_t* list, Entry* entries, int count,
                         const BOOL* folderLeft) {
    wchar_t temp[MAX_PATH], copy[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, temp) ||
        _snwprintf(copy, MAX_PATH, L"%lsVostrelUninstall-%lu.exe", temp, GetCurrentProcessId()) >=
            MAX_PATH ||
        !CopyFileW(self, copy, FALSE))
        return;
    static wchar_t line[32768];
    _snwprintf(line, 32768, L"\"%ls\" /cleanup %lu", copy, GetCurrentProcessId());
    BOOL ok = appendArgument(line, 32768, L"f:", self) && appendArgument(line, 32768, L"f:", list);
    for (int i = count - 1; ok && i >= 0; --i)
        if (folderLeft[i])
            ok = appendArgument(line, 32768, L"d:", entries[i].path);
    // The copy is opened for deletion on close and the handle handed down to it: when the copy
    // ends, the last handle closes and the system deletes the file.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE doomed = CreateFileW(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (ok && doomed != INVALID_HANDLE_VALUE &&
        CreateProcessW(copy, line, NULL, NULL, TRUE, DETACHED_PROCESS, NULL, NULL, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (doomed != INVALID_HANDLE_VALUE)
        CloseHandle(doomed);
    else
        DeleteFileW(copy);
}

// The temporary copy's work: arguments after "/cleanup" are the pid to wait for, then "f:" files
// and "d:" folders, deleted in that order.
static int cleanup(int count, wchar_t** arguments) {
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, wcstoul(arguments[2], NULL, 10));
    if (parent) {
        WaitForSingleObject(parent, 30000);
        CloseHandle(parent);
    }
    for (int i = 3; i < count; ++i) {
        const wchar_t* path = arguments[i] + 2;
        if (wcsncmp(arguments[i], L"f:", 2) == 0) {
            // The ended process may hold its file a moment longer.
            for (int attempt = 0;
                 attempt < 50 && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; ++attempt) {
                deleteFile(path);
                if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
                    Sleep(100);
            }
        } else if (wcsncmp(arguments[i], L"d:", 2) == 0) {
            RemoveDirectoryW(path);
        }
    }
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    // A folder cannot be removed while it is a process's working folder, and a launcher or link
    // starts the uninstaller inside the install folder: work from the temporary folder (the
    // copy started at the end inherits it).
    wchar_t temp[MAX_PATH];
    if (GetTempPathW(MAX_PATH, temp))
        SetCurrentDirectoryW(temp);
    int argumentCount = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (!arguments)
        return 2;
    if (argumentCount >= 3 && wcscmp(arguments[1], L"/cleanup") == 0)
        return cleanup(argumentCount, arguments);
    BOOL silent = FALSE;
    for (int i = 1; i < argumentCount; ++i)
        silent |= _wcsicmp(arguments[i], L"/S") == 0;

    wchar_t self[MAX_PATH], folder[MAX_PATH], list[MAX_PATH];
    const DWORD length = GetModuleFileNameW(NULL, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    lstrcpyW(folder, self);
    *(wcsrchr(folder, L'\\') + 1) = 0;
    if (_snwprintf(list, MAX_PATH, L"%lsUnInstall.lst", folder) >= MAX_PATH)
        return 2;

    wchar_t* text = readList(list);
    Entry* entries = NULL;
    const int count = text ? parseList(text, &entries) : -1;
    if (count < 0) {
        if (!silent)
            MessageBoxW(NULL, L"卸载信息缺失或已损坏，无法卸载 Talvimo 播放器。", TITLE,
                        MB_OK | MB_ICONERROR);
        return 3;
    }
    if (!silent && MessageBoxW(NULL, L"您确定要完全卸载 Talvimo 播放器及其所有组件吗？", TITLE,
                               MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 1;

    closeProductPrograms();
    unregisterPlugin(folder);
    BOOL* folderLeft = calloc(count + 1, sizeof(BOOL));
    for (int i = count - 1; i >= 0; --i) {
        const Entry* entry = &entries[i];
        if (wcscmp(entry->kind, L"folder") == 0)
            folderLeft[i] = !RemoveDirectoryW(entry->path) &&
                            GetFileAttributesW(entry->path) != INVALID_FILE_ATTRIBUTES;
        else if (wcscmp(entry->kind, L"regvalue") == 0)
            removeRegistryValue(entry->path, entry->name);
        else if (wcscmp(entry->kind, L"regkey") == 0)
            removeRegistryKey(entry->path);
        else if (!samePath(entry->path, self) && !samePath(entry->path, list))
            deleteFile(entry->path); // file, link, launcher
    }
    // Told before the copy starts: the copy waits for this process only so long.
    if (!silent)
        MessageBoxW(NULL, L"Talvimo 播放器已从您的计算机中卸载。", TITLE,
                    MB_OK | MB_ICONINFORMATION);
    startCleanup(self, list, entries, count, folderLeft);
    return 0;
}
