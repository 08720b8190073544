// The menu launcher of a Start-menu link, with the menu file that places it and the .directory
// files of its folders.
#pragma once

#include "DesktopEntryText.h"

#include <string>
#include <vector>

// Writes the menu launcher for a Start-menu link whose path below the Programs folder is
// menuPath (UTF-8, "/"-separated, without ".lnk"), with its .menu file and the .directory
// files of its folders. Returns the Linux paths written; raises with the system's text.
std::vector<std::string> CreateMenuLauncher(const std::string& menuPath,
                                            const LauncherEntry& entry);
