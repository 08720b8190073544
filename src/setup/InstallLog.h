// The log an unattended install writes with /LOG: one line per step, each stamped with the
// local time to the millisecond, UTF-8, flushed line by line so a failed or killed install
// leaves what it did.
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

    // Starts a new log at path (a Linux path), replacing an older one. Raises Exception with
    // the system's reason when it cannot be created.
    void Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // Appends one line; a GBK text is converted to UTF-8. Does nothing when no log is open.
    void Line(const AnsiString& gbkText);

private:
    std::FILE* file_ = nullptr;
};
