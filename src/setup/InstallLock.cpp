#include "InstallLock.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

int lockedFolder = -1;
std::string lockedRoot;

} // namespace

bool TryLockInstall() {
    // A root that cannot be had is no other install's: the install's own steps report why.
    const auto root = winapi::SystemRootPath();
    if (!root)
        return true;
    if (lockedFolder >= 0 && lockedRoot == *root)
        return true;
    UnlockInstall();
    const int folder = open(root->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return true;
    if (flock(folder, LOCK_EX | LOCK_NB) != 0) {
        close(folder);
        return false;
    }
    lockedFolder = folder;
    lockedRoot = *root;
    return true;
}

void UnlockInstall() {
    if (lockedFolder < 0)
        return;
    close(lockedFolder);
    lockedFolder = -1;
    lockedRoot.clear();
}

AnsiString InstallRunningMessage() {
    return gbk::Literal("另一个Talvimo安装程序正在运行，请等它结束后再试。");
}
