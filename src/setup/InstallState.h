// What one install is to do: the folder to install into and the user's three integration
// choices. The options window or the command line fills it once; the install action, the
// install sequence and the shortcut step take it as it is, and no step reads a window.
#pragma once

#include "rtl/SysUtils.h"

struct TInstallState {
    AnsiString installDir; // GBK Windows path, always ending in a backslash
    bool desktopShortcut = true;
    bool quickLaunch = true;
    bool autoStart = true;
};

// An option as the windows store it: "1" when on, "0" when off.
inline const char* OptionString(bool on) {
    return on ? "1" : "0";
}

// The path of a shell special folder (a CSIDL) with a trailing backslash; empty when the shell
// cannot resolve the folder.
AnsiString GetSpecialFolderPath(int folder);

// The folder an install goes to unless the user or the command line chooses another: the
// programs folder followed by "Vostrel\".
AnsiString DefaultInstallDir();
