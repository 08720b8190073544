#include "UnattendedInstall.h"

#include "InstallLock.h"
#include "InstallLog.h"
#include "InstallSequence.h"
#include "InstalledItems.h"
#include "IntegrityCheck.h"
#include "OptionsWindow.h"
#include "ProcessClosing.h"
#include "ProgressWindow.h"
#include "ResourceFiles.h"
#include "StartUp.h"

#include "rtl/Application.h"
#include "rtl/FileUtils.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

std::string Utf8(const AnsiString& gbkText) {
    return gbk::ToUtf8(gbkText).value_or(gbkText);
}

// The sequence on standard error and in the log. Extraction progress is printed at most four
// times a second, logged at every tenth.
class TConsoleObserver final : public IInstallObserver {
public:
    TConsoleObserver(TInstallLog& log, bool print) : log_(log), print_(print) {}

    void Status(const AnsiString& text) override {
        if (text == lastStatus_)
            return;
        lastStatus_ = text;
        Say(text);
    }
    void Progress(bool isTotal, Int64 value) override {
        if (isTotal) {
            total_ = value;
            return;
        }
        if (total_ <= 0)
            return;
        const int percent = static_cast<int>(value * 100 / total_);
        const auto now = std::chrono::steady_clock::now();
        if (percent / 10 != loggedPercent_ / 10) {
            loggedPercent_ = percent;
            log_.Line(gbk::Literal("解压进度 ") + std::to_string(percent) + "%");
        }
        if (print_ && percent != printedPercent_ &&
            (percent == 100 || now - printedAt_ >= std::chrono::milliseconds(250))) {
            printedPercent_ = percent;
            printedAt_ = now;
            std::fprintf(stderr, "%s %d%%\n", Utf8(lastStatus_).c_str(), percent);
        }
    }
    void Wait(DWORD milliseconds) override { WaitPumping(milliseconds); }
    void Note(const AnsiString& text) override { log_.Line(text); }

    // A line for the person and the log alike.
    void Say(const AnsiString& text) {
        log_.Line(text);
        if (print_)
            std::fprintf(stderr, "%s\n", Utf8(text).c_str());
    }

private:
    TInstallLog& log_;
    const bool print_;
    AnsiString lastStatus_;
    Int64 total_ = 0;
    int loggedPercent_ = -10;
    int printedPercent_ = -1;
    std::chrono::steady_clock::time_point printedAt_{};
};

// An error ends the install: its text, as the error box would show it, goes to standard error
// whatever else is printed, and to the log.
int Fail(TInstallLog& log, const AnsiString& message, int code) {
    const AnsiString text = ErrorBoxText(message);
    log.Line(gbk::Literal("错误：") + text);
    std::fprintf(stderr, "%s\n", Utf8(text).c_str());
    return code;
}

// The options window's install action with the command line's choices: the folder and the
// payload, then the progress window's state.
int PrepareInstall(const TCommandLine& line, TInstallLog& log) {
    // A damaged setup file is reported before the install folder is made.
    try {
        AwaitIntactResources();
    } catch (const Exception& e) {
        return Fail(log, e.Message(), kExitPayloadDamaged);
    }
    const AnsiString installDir =
        line.installDir ? *line.installDir : IncludeTrailingBackslash(Form1->Edit1->Text());
    log.Line(gbk::Literal("安装文件夹 ") + installDir);
    if (!ForceDirectories(installDir))
        return Fail(log, SysErrorMessage(GetLastError()), kExitInstallFailed);
    try {
        WriteInstallPayload(installDir);
    } catch (const EFCreateError& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    } catch (const EStreamError& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    } catch (const Exception& e) {
        // Anything else means the carried payload itself is not usable.
        return Fail(log, e.Message(), kExitPayloadDamaged);
    }
    Form2->InstallDir = installDir;
    Form2->DesktopShortcutOption = line.desktopIcon ? "1" : "0";
    Form2->QuickLaunchOption = line.quickLaunch ? "1" : "0";
    Form2->AutoStartOption = line.autoStart ? "1" : "0";
    return kExitInstalled;
}

void LogInstalledItems(TInstallLog& log) {
    for (const TInstalledItems::Item& item : InstalledItems().Items()) {
        switch (item.kind) {
        case TInstalledItems::Kind::Link:
            log.Line(gbk::Literal("快捷方式 ") + item.path);
            break;
        case TInstalledItems::Kind::Launcher:
            log.Line(gbk::Literal("启动器 ") + item.path);
            break;
        case TInstalledItems::Kind::RegistryValue:
            log.Line(gbk::Literal("注册表值 ") + item.path + "\\" + item.name);
            break;
        case TInstalledItems::Kind::RegistryKey:
            log.Line(gbk::Literal("注册表项 ") + item.path);
            break;
        default:
            break;
        }
    }
}

int RunWithoutWindows(const TCommandLine& line, TInstallLog& log, TConsoleObserver& observer) {
    try {
        RunInstallSequence(observer);
    } catch (const EPayloadMissing& e) {
        return Fail(log, e.Message(), kExitPayloadDamaged);
    } catch (const Exception& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    }
    LogInstalledItems(log);
    for (const AnsiString& problem : FinishInstall(Form2->InstallDir, line.run))
        observer.Say(problem);
    observer.Say(gbk::Literal("安装完成"));
    return kExitInstalled;
}

int RunInProgressWindow(const TCommandLine& line, TInstallLog& log) {
    Form2->FinishWithoutWindow = true;
    Form2->StartProductWhenDone = line.run;
    Form2->Show();
    // The window shows a failed step's error box itself and stays until it is closed.
    DispatchSafely([] { Form2->RunInstall(); });
    if (!Form2->Completed)
        return Fail(log, gbk::Literal("安装未完成"), kExitInstallFailed);
    LogInstalledItems(log);
    log.Line(gbk::Literal("安装完成"));
    return kExitInstalled;
}

} // namespace

int RunUnattendedInstall(const TCommandLine& line) {
    TInstallLog log;
    if (line.logFile) {
        try {
            log.Open(*line.logFile);
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s\n", e.Message().c_str());
            return kExitBadSwitches;
        }
    }
    TConsoleObserver observer(log, isatty(STDERR_FILENO) || log.IsOpen());
    bool created = false;
    AnsiString startError;
    try {
        CreateSetupWindows();
        created = true;
    } catch (const Exception& e) {
        startError = e.Message();
    }
    if (!created)
        return Fail(log, startError, kExitInstallFailed);
    if (!TryLockInstall())
        return Fail(log, InstallRunningMessage(), kExitInstallRunning);
    if (const int code = PrepareInstall(line, log); code != kExitInstalled)
        return code;
    if (line.mode == TCommandLine::Mode::Silent)
        return RunInProgressWindow(line, log);
    return RunWithoutWindows(line, log, observer);
}
