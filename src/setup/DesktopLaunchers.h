// Freedesktop launchers beside the installer's shell links, laid out as Wine's menu builder lays
// them out for a Windows installer, so the desktop's menu and the desktop show the product:
//   $XDG_DATA_HOME/applications/wine/Programs/<folder>/<name>-<tag>.desktop   the menu launcher
//   $XDG_CONFIG_HOME/menus/applications-merged/wine-Programs-<folder>-<name>-<tag>.menu
//   $XDG_DATA_HOME/desktop-directories/wine-wine-<tag>.directory,
//       wine-Programs[-<folder>]-<tag>.directory        where Wine has not made them untagged
//   <xdg-user-dir DESKTOP>/<name>-<tag>.desktop                                the desktop launcher
//   $XDG_DATA_HOME/icons/hicolor/<N>x<N>/apps/talvimo-<tag>.png                  the icon
// <tag> names the system root (LauncherRootTag). The menu nests as Wine nests it: Applications >
// Wine > Programs > <folder>.
// Each launcher starts the link's target through wine with the system root as WINEPREFIX.
// Files are rewritten whole under the same names, so a reinstall makes no second copy.
#pragma once

#include "DesktopEntryText.h"

#include "rtl/SysUtils.h"

#include <string>
#include <vector>

// Writes the launcher on the user's desktop, marked executable as desktops require of a
// trusted launcher. Returns its Linux path; raises with the system's text.
std::string CreateDesktopLauncher(const LauncherEntry& entry);

// The launchers that go with a link just saved as name (GBK, "\"-separated, without ".lnk")
// in the special folder csidl: a menu launcher for CSIDL_PROGRAMS, a desktop launcher for
// CSIDL_DESKTOPDIRECTORY, none elsewhere. The icon is the one of iconProgram. Every file made
// is recorded in the install record.
void CreateLaunchersFor(int csidl, const AnsiString& name, const AnsiString& target,
                        const AnsiString& description, const AnsiString& iconProgram);
