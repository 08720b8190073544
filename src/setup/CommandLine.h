// The installer's switches for an unattended install. A switch starts with "/" or "-" and is
// matched without regard to case. Qt's own options (-platform offscreen, -style fusion, ...)
// are left to Qt; any other word is an error, so a path cut at a blank is never installed into.
#pragma once

#include "rtl/SysUtils.h"

#include <optional>
#include <string>
#include <vector>

struct TCommandLine {
    enum class Mode { Windows, Silent, VerySilent, Help };
    Mode mode = Mode::Windows;
    std::optional<AnsiString> installDir; // GBK Windows path ending in a backslash
    bool desktopIcon = true;
    bool quickLaunch = true;
    bool autoStart = true;
    bool run = false;
    std::optional<std::string> logFile; // Linux path
    bool AnySwitch = false;             // any switch of ours was given
};

// Raised for a word that is no switch, a switch that is unknown, lacks its value, or names a
// folder GBK cannot write; the message is in Chinese and English, UTF-8. /? wins over all of
// these.
class ECommandLineError : public Exception {
public:
    using Exception::Exception;
};

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// /DIR's value as the install folder: a Windows path, or a Linux absolute path as Windows sees
// it (on C: inside the system root's drive_c, else on Z:), ending in a backslash. Raises
// ECommandLineError when GBK cannot write it or it is neither.
AnsiString InstallFolderFromSwitch(const std::string& value);

// The text /? prints (UTF-8): the switches and the exit codes, in Chinese and English.
std::string CommandLineHelp();

// Exit codes of an unattended install.
enum ExitCode : int {
    kExitInstalled = 0,
    kExitBadSwitches = 1,
    kExitInstallFailed = 2,
    kExitInstallRunning = 3,
    kExitPayloadDamaged = 4,
    kExitCancelled = 5, // a signal, a lost display or the user stopped it; all undone
};
