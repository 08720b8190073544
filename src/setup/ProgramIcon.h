// A program's icon in the user's icon theme.
#pragma once

#include "rtl/SysUtils.h"

#include <string>
#include <vector>

// Copies the PNG images of program's icon (a Windows path) into the hicolor theme under
// iconName. Returns the Linux paths written: none when the program carries no PNG icon.
std::vector<std::string> InstallProgramIcon(const AnsiString& program, const std::string& iconName);
