#include "WineServer.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace winapi {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The name Debian's Wine recorded for its random server root; Wine discards the file unless it
// is readable by the owner only.
std::string RecordedServerRoot(const std::string& root) {
    const std::string file = root + "/wineserver";
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || (st.st_mode & 0777) != S_IRUSR)
        return {};
    std::ifstream in(file);
    std::string name;
    std::getline(in, name);
    if (name.empty())
        return {};
    const char* tmp = secure_getenv("TMPDIR");
    std::string folder = tmp ? tmp : "/tmp";
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + name;
}

} // namespace

std::vector<std::string> WineServerFolders(const std::string& root) {
    struct stat st {};
    if (stat(root.c_str(), &st) != 0)
        return {};
    char name[64];
    std::snprintf(name, sizeof name, "/server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const std::string uid = std::to_string(getuid());
    std::vector<std::string> folders;
    if (IsFolder("/run/user/" + uid))
        folders.push_back("/run/user/" + uid + "/wine" + name);
    else if (std::string recorded = RecordedServerRoot(root); !recorded.empty())
        folders.push_back(recorded + name);
    folders.push_back("/tmp/.wine-" + uid + name);
    return folders;
}

bool WineServerRunning(const std::string& root) {
    for (const std::string& folder : WineServerFolders(root)) {
        const int fd = open((folder + "/lock").c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 1;
        const bool held = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
        close(fd);
        if (held)
            return true;
    }
    return false;
}

} // namespace winapi
