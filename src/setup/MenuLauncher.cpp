#include "MenuLauncher.h"

#include "InstalledItems.h"
#include "LauncherFiles.h"
#include "XdgFolders.h"

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Wine's menu builder prefixes every menu, submenu and desktop-file id with this.
const std::string kVendor = "wine-";

// Text safe inside XML character data.
std::string XmlText(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

std::vector<std::string> CreateMenuLauncher(const std::string& menuPath,
                                            const LauncherEntry& entry) {
    const std::string path = "Programs/" + menuPath + "-" + LauncherRootTag();
    std::vector<std::string> written;
    const std::string launcher = DataHome() + "/applications/wine/" + path + ".desktop";
    WriteFile(launcher, LauncherText(entry));
    // The product's own menu folder is recorded even when another root's install made it, as
    // the Start-menu folder is: whichever uninstaller leaves last removes it, once empty.
    if (menuPath.find('/') != std::string::npos)
        InstalledItems().AddFolder(WindowsPathOf(fs::path(launcher).parent_path().string()));
    written.push_back(launcher);

    // As Wine nests a Windows program's menu: Applications > Wine > Programs > <folder>, one
    // <Menu> per level, each with its .directory file; the launcher's desktop-file id is its
    // path below applications/ with "/" as "-". A .directory file Wine made (for the user's
    // other programs) is used as it is and is not ours. Where Wine made none, the submenu gets
    // one of ours tagged with the root, so that the uninstall of another root in the same home
    // never takes away what this root's menu shows.
    std::string menu = "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       "\"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
                       "<Menu>\n  <Name>Applications</Name>\n";
    auto submenu = [&](const std::string& id, const std::string& directoryText) {
        const std::string folder = DataHome() + "/desktop-directories/";
        std::string name = kVendor + id + ".directory";
        struct stat st {};
        if (lstat((folder + name).c_str(), &st) != 0) {
            name = kVendor + id + "-" + LauncherRootTag() + ".directory";
            WriteFile(folder + name, directoryText);
            written.push_back(folder + name);
        }
        menu += "  <Menu>\n    <Name>" + XmlText(kVendor + id) + "</Name>\n    <Directory>" +
                XmlText(name) + "</Directory>\n";
    };
    submenu("wine", DirectoryText("Wine", "wine"));
    std::string id;
    size_t folders = 1;
    for (size_t start = 0, slash; (slash = path.find('/', start)) != std::string::npos;
         start = slash + 1, ++folders) {
        const std::string folder = path.substr(start, slash - start);
        id += (id.empty() ? "" : "-") + folder;
        submenu(id, DirectoryText(folder));
    }
    std::string launcherId = path;
    for (char& c : launcherId)
        if (c == '/')
            c = '-';
    menu += "    <Include>\n      <Filename>" + XmlText(kVendor + launcherId) +
            ".desktop</Filename>\n    </Include>\n";
    for (size_t i = 0; i < folders; ++i)
        menu += "  </Menu>\n";
    menu += "</Menu>\n";
    const std::string menuFile =
        ConfigHome() + "/menus/applications-merged/" + kVendor + launcherId + ".menu";
    WriteFile(menuFile, menu);
    written.push_back(menuFile);
    return written;
}
