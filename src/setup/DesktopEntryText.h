// The text of freedesktop desktop entries: application launchers and menu folders.
#pragma once

#include "rtl/SysUtils.h"

#include <string>

struct LauncherEntry {
    std::string name;    // UTF-8: the link's name
    std::string comment; // UTF-8: the link's description; may be empty
    AnsiString target;   // GBK: the Windows path of the program the link starts
    std::string icon;    // the icon's name in the icon theme; may be empty
};

// The .desktop text of a launcher.
std::string LauncherText(const LauncherEntry& entry);

// The .directory text of a menu folder.
std::string DirectoryText(const std::string& name, const std::string& icon = "folder");
