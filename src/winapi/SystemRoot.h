// The Windows namespace on Linux: one folder laid out as a Wine prefix ($WINEPREFIX, else
// ~/.wine), created when missing. C: is <root>/drive_c, Z: is "/". Both separators are
// accepted; existing names are found without regard to case, as Windows does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace winapi {

// The root's Linux path, created with its layout when missing; nullopt (with the last error
// set) when it cannot be created.
std::optional<std::string> SystemRootPath();

// Forgets the cached root so the next call reads $WINEPREFIX again (tests point it at a
// temporary folder).
void ResetSystemRoot();

// An absolute GBK Windows path as a UTF-8 Linux path. Existing components are matched without
// regard to case; missing ones keep the spelling given. nullopt with the last error set for a
// path that is not absolute, names an unknown drive, or is not valid GBK.
std::optional<std::string> ToLinuxPath(std::string_view windowsPath);

// A UTF-8 Linux path in Windows form: "C:\..." inside drive_c, otherwise "Z:\...". nullopt with
// ERROR_NO_UNICODE_TRANSLATION when GBK cannot write the name.
std::optional<std::string> ToWindowsPath(std::string_view linuxPath);

} // namespace winapi
