// The files of launchers, menus and icons: the tag in their names, their Windows paths, and
// writing them under the install's transaction.
#pragma once

#include "rtl/SysUtils.h"

#include <string>
#include <string_view>
#include <sys/types.h>

// The tag of the system root in launcher and icon names: 8 hex digits of a hash of its path.
// Installs into several roots can share one home, and each must have launchers of its own, so
// that its uninstaller removes only those (Wine's icon names carry a hash of the program's path).
std::string LauncherRootTag();

// The Windows path of a Linux file, as the transaction and the install record keep it; raises
// when GBK cannot write its name, which a path in the record must never lose.
AnsiString WindowsPathOf(const std::string& linuxPath);

// Writes text as the whole file at path, creating its folders; raises with the system's text.
void WriteFile(const std::string& path, std::string_view text, mode_t mode = 0644);

// True when path already holds exactly these bytes.
bool HoldsExactly(const std::string& path, std::string_view bytes);
