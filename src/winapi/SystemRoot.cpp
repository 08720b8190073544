// The system root and path mapping. The root is a Wine prefix, so a real Wine sees the same
// drive C:, profile folders and registry. Windows path rules (either separator, no case,
// "."/".." and trailing-dot trimming) are applied lexically first, then each existing
// component is looked up in its folder without regard to case.
#include "SystemRoot.h"

#include "Gbk.h"
#include "LinuxErrors.h"
#include "kernel32.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cwctype>
#include <dirent.h>
#include <fstream>
#include <limits.h>
#include <locale.h>
#include <mutex>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <wctype.h>

namespace winapi {
namespace {

std::mutex rootMutex;
std::optional<std::string> cachedRoot;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p; an existing non-folder on the way fails with ERROR_PATH_NOT_FOUND.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            SetLastErrorFromErrno(errno);
            if (GetLastError() == ERROR_FILE_NOT_FOUND)
                SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        if (!IsFolder(prefix)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        if (slash == std::string::npos)
            return true;
    }
}

bool MakeDriveLink(const std::string& link, const char* target) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 || symlink(target, link.c_str()) == 0)
        return true;
    SetLastErrorFromErrno(errno);
    return false;
}

// A user folder of a new profile, as Wine makes it: a link to the XDG folder when that exists,
// else to the usual folder in the home folder, else to the home folder itself; a real folder
// only when not even the home folder exists. An existing entry is kept.
bool MakeUserFolder(const std::string& path, const std::string& xdgName, const std::string& usual) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0)
        return true;
    const std::string home = HomeFolder().value_or(std::string());
    for (const std::string& target :
         {XdgUserFolder(xdgName), home.empty() ? home : home + "/" + usual, home})
        if (!target.empty() && IsFolder(target)) {
            if (symlink(target.c_str(), path.c_str()) == 0)
                return true;
            SetLastErrorFromErrno(errno);
            return false;
        }
    return MakeFolders(path);
}

// The folders Wine makes for a new prefix, where they are missing; a root Wine made already has
// them all, so nothing is added to it that the install does not record. (Wine makes no Quick
// Launch folder, and neither does this: that link is made only where a user has the folder.)
bool MakeLayout(const std::string& root) {
    const std::string profile = root + "/drive_c/users/" + WineUserName();
    for (const std::string& folder :
         {root + "/drive_c/Program Files",
          profile + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs", root + "/dosdevices"})
        if (!MakeFolders(folder))
            return false;
    static const struct {
        const char* folder;
        const char* xdgName;
        const char* usual;
    } kUserFolders[] = {{"Desktop", "XDG_DESKTOP_DIR", "Desktop"},
                        {"Documents", "XDG_DOCUMENTS_DIR", "Documents"},
                        {"Downloads", "XDG_DOWNLOAD_DIR", "Downloads"},
                        {"Music", "XDG_MUSIC_DIR", "Music"},
                        {"Pictures", "XDG_PICTURES_DIR", "Pictures"},
                        {"Videos", "XDG_VIDEOS_DIR", "Movies"}};
    for (const auto& user : kUserFolders)
        if (!MakeUserFolder(profile + "/" + user.folder, user.xdgName, user.usual))
            return false;
    return MakeDriveLink(root + "/dosdevices/c:", "../drive_c") &&
           MakeDriveLink(root + "/dosdevices/z:", "/");
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Characters Windows refuses in a file name (':' only appears after the drive letter).
bool IsValidName(std::string_view name) {
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
    });
}

// Splits the part after "X:\" into components with "." and ".." resolved and trailing dots
// and spaces trimmed as Windows does: a component loses one final "." ("a." is "a", "a.." and
// "..." stay); the last component, unless the path ends in a separator, loses every trailing
// dot and space.
std::vector<std::string> NormalisedComponents(std::string_view rest) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        std::string name(rest.substr(start, end - start));
        const bool last = end == rest.size();
        if (name == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!name.empty() && name != ".") {
            if (last) {
                while (!name.empty() && (name.back() == '.' || name.back() == ' '))
                    name.pop_back();
            } else if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') {
                name.pop_back();
            }
            if (!name.empty())
                components.push_back(std::move(name));
        }
        start = end + 1;
    }
    return components;
}

// A UTF-8 name folded to lower case character by character; nullopt for invalid UTF-8.
std::optional<std::wstring> Folded(std::string_view utf8) {
    static const locale_t utf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    auto wide = gbk::WideFromUtf8(utf8);
    if (!wide)
        return std::nullopt;
    for (wchar_t& c : *wide)
        c = utf8Locale ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), utf8Locale))
                       : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return wide;
}

// The entry of folder whose name equals name without regard to case; an exact match wins,
// otherwise the first in sorted order so the answer never depends on directory order.
std::optional<std::string> FindWithoutCase(const std::string& folder, const std::string& name) {
    const auto wanted = Folded(name);
    if (!wanted)
        return std::nullopt;
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir)
        return std::nullopt;
    // Two ASCII names are compared in place; only a name beyond ASCII on either side is
    // folded, since such a name may fold to an ASCII one (the Kelvin sign to "k").
    const auto isAscii = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x80; });
    };
    const bool asciiWanted = isAscii(name);
    std::optional<std::string> best;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (candidate == "." || candidate == "..")
            continue;
        const bool same = asciiWanted && isAscii(candidate)
                              ? strcasecmp(entry->d_name, name.c_str()) == 0
                              : Folded(candidate) == wanted;
        if (same && (!best || candidate < *best))
            best = std::string(candidate);
    }
    closedir(dir);
    return best;
}

// Where a drive letter's folder lies on Linux.
std::optional<std::string> DriveFolder(char letter) {
    if (letter == 'z')
        return std::string();
    const auto root = SystemRootPath();
    if (!root)
        return std::nullopt;
    if (letter == 'c')
        return *root + "/drive_c";
    char target[PATH_MAX];
    const std::string link = *root + "/dosdevices/" + letter + ":";
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    std::string folder(target, static_cast<size_t>(length));
    if (folder.front() != '/')
        folder = *root + "/dosdevices/" + folder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder == "/" ? std::string() : folder;
}

std::vector<std::string> LinuxComponents(std::string_view path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string name(path.substr(start, end - start));
        if (name == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!name.empty() && name != ".") {
            components.push_back(name);
        }
        start = end + 1;
    }
    return components;
}

} // namespace

std::optional<std::string> HomeFolderFor(const char* homeVariable) {
    // "/" is no home: a launcher or a .wine there would land in the file system's root.
    const auto usable = [](const char* folder) {
        return folder && folder[0] == '/' && folder[1] != '\0';
    };
    if (usable(homeVariable))
        return std::string(homeVariable);
    if (const passwd* pw = getpwuid(getuid()); pw && usable(pw->pw_dir))
        return std::string(pw->pw_dir);
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return std::nullopt;
}

std::optional<std::string> HomeFolder() {
    return HomeFolderFor(std::getenv("HOME"));
}

std::string XdgUserFolder(const std::string& name) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const auto home = HomeFolder();
    if (!(config && *config == '/') && !home)
        return {};
    const std::string file = config && *config == '/' ? std::string(config) + "/user-dirs.dirs"
                                                      : *home + "/.config/user-dirs.dirs";
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, name.size(), name) != 0)
            continue;
        at = line.find_first_not_of(" \t", at + name.size());
        if (at == std::string::npos || line[at] != '=')
            continue;
        at = line.find_first_not_of(" \t", at + 1);
        if (at == std::string::npos || line[at] != '"')
            continue;
        std::string value;
        for (++at; at < line.size() && line[at] != '"'; ++at) {
            if (line[at] == '\\' && at + 1 < line.size())
                ++at;
            value += line[at];
        }
        if (at == line.size())
            return {};
        if (value.rfind("$HOME/", 0) == 0)
            return home ? *home + value.substr(5) : std::string();
        return value.front() == '/' ? value : std::string();
    }
    return {};
}

std::string WineUserName() {
    if (const passwd* pw = getpwuid(getuid()))
        return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    return "wineuser";
}

std::string WineArchitecture() {
    const char* arch = std::getenv("WINEARCH");
    return arch ? arch : "win64";
}

std::string SystemRootSetting() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    return HomeFolder().value_or("~") + "/.wine";
}

std::optional<std::string> SystemRootLocation() {
    if (const std::string arch = WineArchitecture(); arch != "win32" && arch != "win64") {
        SetLastError(ERROR_BAD_ENVIRONMENT);
        return std::nullopt;
    }
    const char* prefix = std::getenv("WINEPREFIX");
    if (!(prefix && *prefix) && !HomeFolder())
        return std::nullopt;
    std::string root = SystemRootSetting();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (root.front() != '/') {
        // Wine refuses a relative prefix too: it would move with the working folder.
        SetLastError(ERROR_BAD_PATHNAME);
        return std::nullopt;
    }
    return root;
}

std::optional<std::string> SystemRootPath() {
    std::lock_guard lock(rootMutex);
    if (cachedRoot)
        return cachedRoot;
    const std::optional<std::string> root = SystemRootLocation();
    if (!root || !MakeLayout(*root))
        return std::nullopt;
    cachedRoot = root;
    return cachedRoot;
}

void ResetSystemRoot() {
    std::lock_guard lock(rootMutex);
    cachedRoot.reset();
}

std::optional<std::string> ToLinuxPath(std::string_view windowsPath) {
    if (windowsPath.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    const auto utf8 = gbk::ToUtf8(windowsPath);
    if (!utf8) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return std::nullopt;
    }
    const std::string_view path = *utf8;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        SetLastError(ERROR_BAD_NETPATH);
        return std::nullopt;
    }
    const bool absolute = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                          path[1] == ':' && IsSeparator(path[2]);
    if (!absolute) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const auto components = NormalisedComponents(path.substr(3));
    if (!std::all_of(components.begin(), components.end(), IsValidName)) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    auto folder = DriveFolder(static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
    if (!folder)
        return std::nullopt;

    // Most paths are spelt as on disk, or lack only their last name (a file about to be
    // made): one or two lstat calls settle those without walking or reading folders.
    std::string exact = *folder;
    for (const std::string& name : components)
        exact += "/" + name;
    struct stat found {};
    if (lstat(exact.empty() ? "/" : exact.c_str(), &found) == 0)
        return exact.empty() ? std::string("/") : exact;
    if (components.size() >= 2) {
        const std::string parent = exact.substr(0, exact.size() - components.back().size() - 1);
        if (lstat(parent.c_str(), &found) == 0) {
            const auto match = FindWithoutCase(parent, components.back());
            return match ? parent + "/" + *match : exact;
        }
    }
    std::string result = *folder;
    bool resolving = true;
    for (const std::string& name : components) {
        std::string next = result + "/" + name;
        struct stat st {};
        if (resolving && lstat(next.c_str(), &st) != 0) {
            if (auto match = FindWithoutCase(result, name))
                next = result + "/" + *match;
            else
                resolving = false; // the rest does not exist: keep the spelling given
        }
        result = std::move(next);
    }
    return result.empty() ? std::string("/") : result;
}

std::optional<std::string> ToWindowsPath(std::string_view linuxPath) {
    if (linuxPath.empty() || linuxPath.front() != '/') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    const auto components = LinuxComponents(linuxPath);
    std::string drive = "Z:";
    size_t skip = 0;
    const DWORD savedError = GetLastError();
    if (const auto root = SystemRootLocation()) {
        std::vector<std::vector<std::string>> driveForms{LinuxComponents(*root + "/drive_c")};
        if (char* real = realpath((*root + "/drive_c").c_str(), nullptr)) {
            driveForms.push_back(LinuxComponents(real));
            std::free(real);
        }
        for (const auto& driveC : driveForms)
            if (components.size() >= driveC.size() &&
                std::equal(driveC.begin(), driveC.end(), components.begin())) {
                drive = "C:";
                skip = driveC.size();
                break;
            }
    }
    SetLastError(savedError);
    std::string windows = drive;
    for (size_t i = skip; i < components.size(); ++i)
        windows += "\\" + components[i];
    if (windows.size() == 2)
        windows += "\\";
    auto encoded = gbk::FromUtf8(windows);
    if (!encoded)
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return encoded;
}

} // namespace winapi
