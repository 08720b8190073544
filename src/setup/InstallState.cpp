#include "InstallState.h"

#include "rtl/FileUtils.h"

#include "winapi/shell32.h"

namespace {

// Where the programs folder usually is, for a system whose shell cannot say.
constexpr char kFallbackProgramFiles[] = "C:\\Program Files\\";

} // namespace

AnsiString GetSpecialFolderPath(int folder) {
    LPITEMIDLIST itemList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, &itemList)) || !itemList)
        return AnsiString();
    char path[MAX_PATH + 1] = {};
    BOOL found = SHGetPathFromIDListA(itemList, path);
    ILFree(itemList);
    if (!found || path[0] == '\0')
        return AnsiString();
    return IncludeTrailingBackslash(path);
}

AnsiString DefaultInstallDir() {
    AnsiString programFiles = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    if (programFiles.empty())
        programFiles = kFallbackProgramFiles;
    return programFiles + "Vostrel\\";
}
