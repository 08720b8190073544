// The log an unattended install writes with /LOG: one line per step, each stamped with the
// local time to the millisecond, UTF-8, flushed line by line so a failed or killed install
// leaves what it did. A log that cannot be created or written never stops the install: it is
// a warning on standard error, given once, and the install goes on without a log.
#pragma once

#include "rtl/SysUtils.h"

#include <cstdio>
#include <string>

class TInstallLog {
public:
    TInstallLog() = default;
    ~TInstallLog();
    TInstallLog(const TInstallLog&) = delete;
    TInstallLog& operator=(const TInstallLog&) = delete;

    // Starts a new log at path (a Linux path), replacing an older one; warns when it cannot be
    // created. Open it only once this install holds its locks: a refused run must not empty a
    // running install's log.
    void Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // Appends one line; a GBK text is converted to UTF-8. Does nothing when no log is open;
    // a line that cannot be written warns and closes the log.
    void Line(const AnsiString& gbkText);

private:
    // The warning for the system's error number, then no log.
    void GiveUp(int error);

    std::FILE* file_ = nullptr;
    std::string path_;
};
