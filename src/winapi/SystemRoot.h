// The Windows namespace on Linux: one folder laid out as a Wine prefix ($WINEPREFIX, else
// ~/.wine), created when missing as Wine creates one: the profile's Desktop, Documents and other
// user folders are links to the user's XDG folders. C: is <root>/drive_c, Z: is "/", any other
// letter is what <root>/dosdevices/<letter>: points to. Both separators are accepted; existing
// names are found without regard to case, as Windows does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winapi {

// The root's Linux path, created with its layout when missing; nullopt (with the last error
// set) when it cannot be created, ERROR_BAD_ENVIRONMENT when WINEARCH is set to other than
// "win32" or "win64", ERROR_BAD_PATHNAME when WINEPREFIX is not an absolute path (Wine refuses
// both too), or ERROR_ENVVAR_NOT_FOUND when there is no WINEPREFIX and no home folder.
std::optional<std::string> SystemRootPath();

// The root as configured, unchecked: $WINEPREFIX as given, else .wine in the home folder
// ("~/.wine" when there is no home folder). For messages about a root that cannot be used.
std::string SystemRootSetting();

// Where the root is, whether it exists or not: nothing is created. nullopt with the last error
// set as SystemRootPath sets it for a setting Wine refuses.
std::optional<std::string> SystemRootLocation();

// The user's home folder as Wine finds it: homeVariable (a HOME value, nullptr when unset) when
// it is an absolute path, else the home of the user's password entry. nullopt with
// ERROR_ENVVAR_NOT_FOUND when neither gives one other than "/".
std::optional<std::string> HomeFolderFor(const char* homeVariable);

// This process's home folder: HomeFolderFor($HOME).
std::optional<std::string> HomeFolder();

// The value of name (XDG_DESKTOP_DIR, ...) in the user's XDG user-dirs.dirs, "$HOME/..." or
// absolute, read as Wine reads it; empty when it is not set there.
std::string XdgUserFolder(const std::string& name);

// The architecture a new registry of the root names: $WINEARCH, "win64" when unset.
std::string WineArchitecture();

// Forgets the cached root so the next call reads $WINEPREFIX again (tests point it at a
// temporary folder).
void ResetSystemRoot();

// The user name of the profile folder C:\users\<name>, as Wine chooses it: the Linux login
// name (UTF-8).
std::string WineUserName();

// An absolute GBK Windows path as a UTF-8 Linux path. Existing components are matched without
// regard to case; missing ones keep the spelling given. "." and ".." are resolved and trailing
// dots and spaces trimmed as Windows normalises paths. nullopt with the last error set for a
// path that is not absolute (ERROR_PATH_NOT_FOUND), a UNC path (ERROR_BAD_NETPATH), a name
// with characters Windows forbids (ERROR_INVALID_NAME), a path of MAX_PATH bytes or more
// (ERROR_FILENAME_EXCED_RANGE), an unknown drive (ERROR_PATH_NOT_FOUND), or bytes that are not
// valid GBK (ERROR_NO_UNICODE_TRANSLATION).
std::optional<std::string> ToLinuxPath(std::string_view windowsPath);

// An absolute UTF-8 Linux path in Windows form, as GBK: "C:\..." inside drive_c, otherwise
// "Z:\..."; nothing is created, not even the root. nullopt with ERROR_NO_UNICODE_TRANSLATION when
// GBK cannot write the name, or ERROR_PATH_NOT_FOUND when the path is not absolute.
std::optional<std::string> ToWindowsPath(std::string_view linuxPath);

} // namespace winapi
