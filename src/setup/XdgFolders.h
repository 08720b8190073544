// The user's XDG folders, where launchers, menus and icons go. Each raises when the user has no
// home folder, since none of them may then land anywhere else.
#pragma once

#include <string>

// $XDG_DATA_HOME, or ~/.local/share.
std::string DataHome();

// $XDG_CONFIG_HOME, or ~/.config.
std::string ConfigHome();

// The user's desktop folder.
std::string DesktopFolder();
