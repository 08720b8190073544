#include "support/SmallVolume.h"

#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

std::optional<int> RunOnSmallVolume(const std::string& mountPoint,
                                    const std::function<int()>& body) {
    std::filesystem::create_directories(mountPoint);
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            _exit(kVolumeNotPermitted);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == kVolumeNotPermitted)
        return std::nullopt;
    return WEXITSTATUS(status);
}

} // namespace testing_support
