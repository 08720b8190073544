#include "DesktopLaunchers.h"

#include "InstalledItems.h"
#include "LauncherFiles.h"
#include "MenuLauncher.h"
#include "ProgramIcon.h"
#include "XdgFolders.h"

#include "winapi/Gbk.h"
#include "winapi/shell32.h"

namespace {

// The product's icon in the icon theme, before its root's tag.
const std::string kIconName = "talvimo";

} // namespace

std::string CreateDesktopLauncher(const LauncherEntry& entry) {
    const std::string launcher =
        DesktopFolder() + "/" + entry.name + "-" + LauncherRootTag() + ".desktop";
    WriteFile(launcher, LauncherText(entry), 0755);
    return launcher;
}

void CreateLaunchersFor(int csidl, const AnsiString& name, const AnsiString& target,
                        const AnsiString& description, const AnsiString& iconProgram) {
    if (csidl != CSIDL_PROGRAMS && csidl != CSIDL_DESKTOPDIRECTORY)
        return;
    const std::string iconName = kIconName + "-" + LauncherRootTag();
    std::vector<std::string> written = InstallProgramIcon(iconProgram, iconName);
    std::string path = gbk::ToUtf8OrAsIs(name);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    LauncherEntry entry{path.substr(path.rfind('/') + 1), gbk::ToUtf8OrAsIs(description), target,
                        written.empty() ? std::string() : iconName};
    if (csidl == CSIDL_PROGRAMS) {
        for (std::string& file : CreateMenuLauncher(path, entry))
            written.push_back(std::move(file));
    } else {
        written.push_back(CreateDesktopLauncher(entry));
    }
    for (const std::string& file : written)
        InstalledItems().AddLauncher(WindowsPathOf(file));
}
