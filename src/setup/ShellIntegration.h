// Unit2: tying the installed product into the shell: links to the product and its uninstaller,
// the start-with-Windows value and the entry in the list of installed programs, all under the
// system's special folders and HKEY_LOCAL_MACHINE. The links to the product are the progress
// window's TForm2::CreateProductShortcuts, defined beside CreateShortcut in ShellIntegration.cpp.
#pragma once

#include "rtl/SysUtils.h"

#include <string>

// Saves a link to target (with its folder as working folder) as name + ".lnk" in the special
// folder csidl. Creates no folder.
void CreateShortcut(const AnsiString& target, int csidl, const std::wstring& name);

// The Run value name for a command: its file name up to the first ".", or empty.
AnsiString AutoRunValueName(const AnsiString& path);

// The Run value's data for a command: the program's path quoted, then the arguments.
AnsiString AutoRunCommandLine(const AnsiString& command);

// Writes (enable) or deletes the start-with-Windows value for command; false when a registry
// error was raised.
bool SetAutoRun(const AnsiString& command, bool enable);

// Writes the product's uninstall entry; false when a registry error was raised.
bool WriteUninstallEntry(const AnsiString& uninstaller, const AnsiString& mainExecutable);

// The file version of a Windows executable as "a.b.c.d"; raises when it has no readable
// version resource.
AnsiString GetFileVersionString(const AnsiString& fileName);
