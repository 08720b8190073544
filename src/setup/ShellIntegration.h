// Tying the installed product into the shell: shell links, the start-with-Windows value and the
// entry in the list of installed programs, all under the system's special folders and
// HKEY_LOCAL_MACHINE.
#pragma once

#include "InstallState.h"

#include "rtl/SysUtils.h"

#include "winapi/ShellLink.h"

#include <string>

// A shell link object through its two interfaces, released with this value.
class TShellLink {
public:
    TShellLink();
    ~TShellLink() { Release(); }
    TShellLink(const TShellLink&) = delete;
    TShellLink& operator=(const TShellLink&) = delete;

    IShellLinkA* operator->() const { return link_; }

    // Saves the link as fileName (a GBK Windows path) and records it in the install record;
    // raises "无法创建快捷方式 <file>: <reason>" when it cannot be saved.
    void Save(const AnsiString& fileName) const;

private:
    void Release();

    IShellLinkA* link_ = nullptr;
    IPersistFile* file_ = nullptr;
};

// The path of a special folder; the results of the shell calls are not examined, so a folder
// that cannot be resolved gives an empty path.
AnsiString SpecialFolder(int csidl);

// Links to the install folder's "mervo.exe": on the desktop and in the quick-launch folder when
// state chooses them, and always in the Start-menu folder "Talvimo" (created when missing),
// each with its desktop launchers. The quick-launch link is skipped when its folder is missing.
// Each link and each set of launchers is an extra of the install's transaction: one that cannot
// be made (the folder, or TShellLink::Save's error) is undone and reported there, not raised.
void CreateProductShortcuts(const TInstallState& state);

// Saves a link to target (with its folder as working folder) as name + ".lnk" in the special
// folder csidl, with the desktop launcher that goes with it, both extras as above. Creates no
// folder: a link into a missing one is reported as TShellLink::Save's error.
void CreateShortcut(const AnsiString& target, int csidl, const std::wstring& name);

// The Run value name for a command: its file name up to the first ".", or empty.
AnsiString AutoRunValueName(const AnsiString& path);

// The Run value's data for a command: the program's path quoted, then the arguments.
AnsiString AutoRunCommandLine(const AnsiString& command);

// Writes (enable) or deletes the start-with-Windows value for command; a value that is not
// there needs no deleting. Raises "无法写入注册表项 HKEY_LOCAL_MACHINE\<key>: <reason>". The
// value's earlier data is recorded in the install's transaction first.
void SetAutoRun(const AnsiString& command, bool enable);

// Writes the product's uninstall entry: the seven values the product has always had, then
// InstallLocation (the uninstaller's folder), EstimatedSize (the KiB of the files in that
// folder as they are when the entry is written, after the archive has been removed), NoModify
// and NoRepair. Raises as SetAutoRun does.
void WriteUninstallEntry(const AnsiString& uninstaller, const AnsiString& mainExecutable);

// The install folder the product's uninstall entry names (its InstallLocation, else its
// uninstaller's folder), ending in a backslash; empty when there is no entry.
AnsiString RegisteredInstallFolder();

// The file version of a Windows executable as "a.b.c.d"; raises when it has no readable
// version resource.
AnsiString GetFileVersionString(const AnsiString& fileName);
