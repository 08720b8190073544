// Writing the files of launchers, menus and icons under the install's transaction.
#pragma once

#include "rtl/SysUtils.h"

#include <string>
#include <string_view>
#include <sys/types.h>

// The Windows path of a Linux file, as the transaction and the install record keep it; raises
// when GBK cannot write its name, which a path in the record must never lose.
AnsiString WindowsPathOf(const std::string& linuxPath);

// Writes text as the whole file at path, creating its folders; raises with the system's text.
void WriteFile(const std::string& path, std::string_view text, mode_t mode = 0644);

// True when path already holds exactly these bytes.
bool HoldsExactly(const std::string& path, std::string_view bytes);
