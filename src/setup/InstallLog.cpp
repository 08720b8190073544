#include "InstallLog.h"

#include "winapi/Gbk.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TInstallLog::~TInstallLog() {
    if (file_)
        std::fclose(file_);
}

void TInstallLog::Open(const std::string& path) {
    // A new file under a name of its own, then renamed over the path: whatever stood there, a
    // link left by someone else included, is replaced rather than written through.
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    std::FILE* file = nullptr;
    if (fd >= 0 && fchmod(fd, 0644) == 0 && rename(temporary.c_str(), path.c_str()) == 0)
        file = fdopen(fd, "w");
    if (!file) {
        const int error = errno;
        if (fd >= 0) {
            unlink(temporary.c_str());
            close(fd);
        }
        throw Exception("Cannot create log file \"" + path + "\". " + std::strerror(error));
    }
    if (file_)
        std::fclose(file_);
    file_ = file;
}

void TInstallLog::Line(const AnsiString& gbkText) {
    if (!file_)
        return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string text = gbk::ToUtf8(gbkText).value_or(gbkText);
    std::fprintf(file_, "%s.%03d %s\n", stamp, static_cast<int>(millis), text.c_str());
    std::fflush(file_);
}
