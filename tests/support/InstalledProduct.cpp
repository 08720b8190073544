#include "support/InstalledProduct.h"

#include "winapi/RegistryFile.h"
#include "winapi/RegistryStore.h"
#include "winapi/SystemRoot.h"
#include "winapi/ole32.h"
#include "winapi/shell32.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {

// The Linux path of a special folder (CSIDL_...); fails the test when the shell has none.
std::string SpecialFolder(int csidl) {
    LPITEMIDLIST itemList = nullptr;
    char path[MAX_PATH + 1] = {};
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, csidl, &itemList), S_OK);
    SHGetPathFromIDListA(itemList, path);
    CoTaskMemFree(itemList);
    const auto linuxPath = winapi::ToLinuxPath(path);
    EXPECT_TRUE(linuxPath) << "no Linux path for special folder " << csidl;
    return linuxPath.value_or("");
}

} // namespace

std::string DesktopLink() {
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "/Talvimo.lnk";
}

std::string QuickLaunchFolder() {
    return SpecialFolder(CSIDL_APPDATA) + "/Microsoft/Internet Explorer/Quick Launch";
}

std::string QuickLaunchLink() {
    return QuickLaunchFolder() + "/Talvimo.lnk";
}

std::string StartMenuFolder() {
    return SpecialFolder(CSIDL_PROGRAMS) + "/Talvimo";
}

std::string StartMenuLink() {
    return StartMenuFolder() + "/Talvimo.lnk";
}

std::optional<std::u16string> RegistryValue(const std::u16string& key, const std::u16string& name) {
    const auto root = winapi::SystemRootPath();
    if (!root)
        return std::nullopt;
    auto file = winapi::ReadRegistryFile(*root + "/system.reg");
    if (!file)
        return std::nullopt;
    auto value = file->GetValue(key, name);
    if (!value)
        return std::nullopt;
    // UTF-16LE with its terminating zero.
    std::u16string text = winapi::FromUtf16Le(value->data);
    if (!text.empty() && text.back() == u'\0')
        text.pop_back();
    return text;
}

void ExpectProductRegistered(const std::u16string& version, const std::u16string& installFolder,
                             bool autoRun) {
    if (autoRun)
        EXPECT_EQ(RegistryValue(kRunKey, u"mervo"),
                  u"\"" + installFolder + u"mervo.exe\" Minimize");
    else
        EXPECT_EQ(RegistryValue(kRunKey, u"mervo"), std::nullopt);
    // The uninstall entry's paths have their backslashes doubled.
    std::u16string doubled;
    for (const char16_t c : installFolder)
        doubled += c == u'\\' ? std::u16string(u"\\\\") : std::u16string(1, c);
    EXPECT_EQ(RegistryValue(kUninstallKey, u"DisplayName"), u"Talvimo");
    EXPECT_EQ(RegistryValue(kUninstallKey, u"UninstallString"),
              u"\"" + doubled + u"UnInstall.exe\"");
    EXPECT_EQ(RegistryValue(kUninstallKey, u"DisplayIcon"), u"\"" + doubled + u"mervo.exe\"");
    EXPECT_EQ(RegistryValue(kUninstallKey, u"DisplayVersion"), version);
    EXPECT_EQ(RegistryValue(kUninstallKey, u"URLInfoAbout"), u"https://www.talvimo.com/");
}

} // namespace testing_support
