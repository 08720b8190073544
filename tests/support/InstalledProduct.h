// Where an installed product shows up in the current system root, read back independently of
// the installer: the Linux paths of its links in the shell's special folders and the string
// values it leaves in the machine registry file.
#pragma once

#include <optional>
#include <string>

namespace testing_support {

inline const std::u16string kRunKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::u16string kUninstallKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo";

// The product's links and its start menu folder.
std::string DesktopLink();
std::string QuickLaunchFolder();
std::string QuickLaunchLink();
std::string StartMenuFolder();
std::string StartMenuLink();

// A string value from the machine registry file (system.reg), without its terminating zero;
// nullopt when the file, the key or the value is missing.
std::optional<std::u16string> RegistryValue(const std::u16string& key, const std::u16string& name);

inline const std::u16string kDefaultInstallFolder = u"C:\\Program Files\\Vostrel\\";

// Checks the values an install into installFolder (a Windows path ending in a backslash)
// leaves: the uninstall entry showing the given product version, and the Run entry when
// autoRun, no Run entry otherwise.
void ExpectProductRegistered(const std::u16string& version,
                             const std::u16string& installFolder = kDefaultInstallFolder,
                             bool autoRun = true);

} // namespace testing_support
