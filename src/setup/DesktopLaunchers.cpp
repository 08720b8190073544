#include "DesktopLaunchers.h"

#include "InstallTransaction.h"
#include "InstalledItems.h"

#include "rtl/FileUtils.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/LinuxErrors.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"
#include "winapi/version.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Wine's menu builder prefixes every menu, submenu and desktop-file id with this.
const std::string kVendor = "wine-";
// The product's icon in the icon theme, before its root's tag.
const std::string kIconName = "talvimo";

std::string Utf8(const AnsiString& gbkText) {
    return gbk::ToUtf8(gbkText).value_or(gbkText);
}

[[noreturn]] void RaiseWin32FileError(const std::string& path, DWORD code) {
    throw Exception(gbk::Literal("无法写入文件 ") + gbk::FromUtf8(path).value_or(path) + ": " +
                    SysErrorMessage(code));
}

[[noreturn]] void RaiseFileError(const std::string& path, int error) {
    RaiseWin32FileError(path, winapi::Win32ErrorFromErrno(error));
}

AnsiString ZDrivePath(const std::string& linuxPath);

// Writes text as the whole file at path, creating its folders; raises with the system's text.
// The install's transaction records the folders it creates and the file it replaces first.
void WriteFile(const std::string& path, std::string_view text, mode_t mode = 0644) {
    TInstallTransaction& transaction = InstallTransaction();
    if (!transaction.PrepareFolder(ZDrivePath(fs::path(path).parent_path().string()))) {
        // A file where a folder belongs leaves no path to the file.
        const DWORD error = GetLastError();
        RaiseWin32FileError(path, error == ERROR_ALREADY_EXISTS ? ERROR_PATH_NOT_FOUND : error);
    }
    transaction.PrepareFile(ZDrivePath(path));
    if (const int error = winapi::WriteWholeFile(path, text, {mode}); error != 0)
        RaiseFileError(path, error);
}

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

std::string DataHome() {
    return BaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string ConfigHome() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

// The environment with HOME set to home: the tool reads its configuration below HOME and
// would answer "/Desktop" without it.
std::vector<std::string> EnvironmentWithHome(const std::string& home) {
    std::vector<std::string> entries{"HOME=" + home};
    for (char** entry = environ; *entry; ++entry)
        if (std::string_view(*entry).rfind("HOME=", 0) != 0)
            entries.emplace_back(*entry);
    return entries;
}

// What `xdg-user-dir DESKTOP` prints, or $HOME/Desktop (its own answer without a
// configuration) when the tool is missing or fails.
std::string DesktopFolder() {
    const std::string home = HomeFolder();
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return home + "/Desktop";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    char program[] = "xdg-user-dir";
    char kind[] = "DESKTOP";
    char* argv[] = {program, kind, nullptr};
    std::vector<std::string> environment = EnvironmentWithHome(home);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    const bool started = posix_spawnp(&child, program, &actions, nullptr, argv, envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string printed;
    char buffer[512];
    for (ssize_t got; started && (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        printed.append(buffer, static_cast<size_t>(got));
    }
    close(output[0]);
    int status = 0;
    if (started)
        waitpid(child, &status, 0);
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
        printed.pop_back();
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || printed.empty() ||
        printed[0] != '/')
        return home + "/Desktop";
    return printed;
}

// A value of type string or localestring: backslash and line breaks escaped.
std::string EscapeValue(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '\t')
            escaped += "\\t";
        else
            escaped += c;
    }
    return escaped;
}

// One Exec argument: always quoted, with the four characters that must be escaped inside
// quotes escaped, and "%" doubled so it is no field code.
std::string QuoteExecArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

// The .directory file of a submenu, as Wine writes it: its Wine menu has Wine's icon, every
// folder below it the folder icon.
std::string DirectoryText(const std::string& name, const std::string& icon = "folder") {
    return "[Desktop Entry]\nType=Directory\nName=" + EscapeValue(name) + "\nIcon=" + icon + "\n";
}

// The window class the program's windows carry under Wine, its file name in lower case, so a
// desktop groups the running program under its launcher.
std::string WindowClass(const AnsiString& program) {
    std::string name = Utf8(program.substr(program.find_last_of('\\') + 1));
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

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

// Drive Z: shows the whole Linux tree, so any Linux file has this Windows path.
AnsiString ZDrivePath(const std::string& linuxPath) {
    AnsiString path = "Z:" + gbk::FromUtf8(linuxPath).value_or(linuxPath);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The width and height of a PNG image, or 0 when the bytes are no PNG.
unsigned SquarePngSize(const std::string& image) {
    static const std::string kSignature = "\x89PNG\r\n\x1a\n";
    if (image.size() < 24 || image.compare(0, 8, kSignature) != 0 ||
        image.compare(12, 4, "IHDR") != 0)
        return 0;
    auto big32 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(image[at])) << 24 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 1])) << 16 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 2])) << 8 |
               static_cast<unsigned>(static_cast<unsigned char>(image[at + 3]));
    };
    const unsigned width = big32(16);
    return width == big32(20) && width > 0 && width <= 1024 ? width : 0;
}

} // namespace

std::string LauncherRootTag() {
    std::uint32_t hash = 2166136261u; // FNV-1a over the root's path
    for (const unsigned char c : winapi::SystemRootPath().value_or(""))
        hash = (hash ^ c) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return text;
}

std::string LauncherText(const LauncherEntry& entry) {
    const std::string prefix = winapi::SystemRootPath().value_or("");
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeValue(entry.name) + "\n";
    if (!entry.comment.empty() && entry.comment != entry.name)
        text += "Comment=" + EscapeValue(entry.comment) + "\n";
    text += "Exec=" +
            EscapeValue("env " + QuoteExecArgument("WINEPREFIX=" + prefix) + " wine " +
                        QuoteExecArgument(Utf8(entry.target))) +
            "\n";
    if (auto folder = winapi::ToLinuxPath(ExtractFilePath(entry.target)))
        text += "Path=" + EscapeValue(*folder) + "\n";
    if (!entry.icon.empty())
        text += "Icon=" + EscapeValue(entry.icon) + "\n";
    text += "StartupNotify=true\nStartupWMClass=" + EscapeValue(WindowClass(entry.target)) + "\n";
    return text;
}

std::vector<std::string> CreateMenuLauncher(const std::string& menuPath,
                                            const LauncherEntry& entry) {
    const std::string path = "Programs/" + menuPath + "-" + LauncherRootTag();
    std::vector<std::string> written;
    const std::string launcher = DataHome() + "/applications/wine/" + path + ".desktop";
    WriteFile(launcher, LauncherText(entry));
    // The product's own menu folder is recorded even when another root's install made it, as
    // the Start-menu folder is: whichever uninstaller leaves last removes it, once empty.
    if (menuPath.find('/') != std::string::npos)
        InstalledItems().AddFolder(ZDrivePath(fs::path(launcher).parent_path().string()));
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

std::string CreateDesktopLauncher(const LauncherEntry& entry) {
    const std::string launcher =
        DesktopFolder() + "/" + entry.name + "-" + LauncherRootTag() + ".desktop";
    WriteFile(launcher, LauncherText(entry), 0755);
    return launcher;
}

namespace {

// True when path already holds exactly these bytes. The icon goes with every launcher, and a
// rewrite of identical bytes would only cost a temporary file and a rename each time.
bool HoldsExactly(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<size_t>(st.st_size) != bytes.size())
        return false;
    std::string existing;
    return winapi::ReadWholeFile(path, existing) == 0 && existing == bytes;
}

} // namespace

std::vector<std::string> InstallProgramIcon(const AnsiString& program,
                                            const std::string& iconName) {
    std::vector<std::string> written;
    const auto path = winapi::ToLinuxPath(program);
    if (!path)
        return written;
    for (const std::string& image : winapi::ReadIconImages(*path)) {
        const unsigned size = SquarePngSize(image);
        if (size == 0)
            continue;
        const std::string side = std::to_string(size);
        const std::string file =
            DataHome() + "/icons/hicolor/" + side + "x" + side + "/apps/" + iconName + ".png";
        if (!HoldsExactly(file, image))
            WriteFile(file, image);
        written.push_back(file);
    }
    return written;
}

void CreateLaunchersFor(int csidl, const AnsiString& name, const AnsiString& target,
                        const AnsiString& description, const AnsiString& iconProgram) {
    if (csidl != CSIDL_PROGRAMS && csidl != CSIDL_DESKTOPDIRECTORY)
        return;
    const std::string iconName = kIconName + "-" + LauncherRootTag();
    std::vector<std::string> written = InstallProgramIcon(iconProgram, iconName);
    std::string path = Utf8(name);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    LauncherEntry entry{path.substr(path.rfind('/') + 1), Utf8(description), target,
                        written.empty() ? std::string() : iconName};
    if (csidl == CSIDL_PROGRAMS) {
        for (std::string& file : CreateMenuLauncher(path, entry))
            written.push_back(std::move(file));
    } else {
        written.push_back(CreateDesktopLauncher(entry));
    }
    for (const std::string& file : written)
        InstalledItems().AddLauncher(ZDrivePath(file));
}
