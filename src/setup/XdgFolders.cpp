#include "XdgFolders.h"

#include "rtl/SysUtils.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <cstdlib>

namespace {

// Launchers, menus and icons live below the home folder; without one they are not written
// anywhere else, least of all below "/".
std::string HomeFolder() {
    if (const auto home = winapi::HomeFolder())
        return *home;
    throw Exception(gbk::Literal("找不到用户的主文件夹（HOME 未设置，用户数据库中也没有），"
                                 "无法创建菜单和桌面启动器。"));
}

// An XDG base folder: the variable when it holds an absolute path, else the default below HOME.
std::string BaseFolder(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return HomeFolder() + "/" + underHome;
}

} // namespace

std::string DataHome() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string ConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

// The folder the user-dirs file names, as Wine links the profile's Desktop to it, or
// $HOME/Desktop.
std::string DesktopFolder() {
    const std::string home = HomeFolder();
    const std::string configured = winapi::XdgUserFolder("XDG_DESKTOP_DIR");
    return configured.empty() ? home + "/Desktop" : configured;
}
