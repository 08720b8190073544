#include "UnattendedInstall.h"

#include "InstallAction.h"
#include "InstallLog.h"
#include "InstallSequence.h"
#include "InstallTransaction.h"
#include "InstalledItems.h"
#include "ProcessClosing.h"
#include "ProgressWindow.h"
#include "StartUp.h"

#include "rtl/Application.h"

#include "winapi/Gbk.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

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
            std::fprintf(stderr, "%s %d%%\n", gbk::ToUtf8OrAsIs(lastStatus_).c_str(), percent);
        }
    }
    void Wait(DWORD milliseconds) override { WaitPumping(milliseconds); }
    void ProcessMessages() override {} // no window to answer
    void Note(const AnsiString& text) override { log_.Line(text); }

    // A line for the person and the log alike.
    void Say(const AnsiString& text) {
        log_.Line(text);
        if (print_)
            std::fprintf(stderr, "%s\n", gbk::ToUtf8OrAsIs(text).c_str());
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
    std::fprintf(stderr, "%s\n", gbk::ToUtf8OrAsIs(text).c_str());
    return code;
}

// The command line's choices, the default folder unless /DIR gives one.
TInstallState InstallStateFrom(const TCommandLine& line) {
    return {line.installDir ? *line.installDir : DefaultInstallDir(), line.desktopIcon,
            line.quickLaunch, line.autoStart};
}

// Runs a step of the install action; an error ends the install with the code for it.
template <class Step> int RunActionStep(TInstallLog& log, const Step& step) {
    try {
        step();
    } catch (const EInstallRunning& e) {
        return Fail(log, e.Message(), kExitInstallRunning);
    } catch (const EInstallFolderIsRoot& e) {
        return Fail(log, e.Message(), kExitBadSwitches);
    } catch (const EDamagedSetup& e) {
        return Fail(log, e.Message(), kExitPayloadDamaged);
    } catch (const Exception& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    }
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

// What could not be made of the extras: a warning each, the install stands.
void WarnOfFailedExtras(TInstallLog& log) {
    for (const AnsiString& problem : InstallTransaction().FailedExtras()) {
        const AnsiString text = gbk::Literal("警告：") + problem;
        log.Line(text);
        std::fprintf(stderr, "%s\n", gbk::ToUtf8OrAsIs(text).c_str());
    }
}

int RunWithoutWindows(const TInstallState& state, const TCommandLine& line, TInstallLog& log,
                      TConsoleObserver& observer) {
    try {
        RunInstallSequence(state, observer);
    } catch (const EPayloadMissing& e) {
        return Fail(log, e.Message(), kExitPayloadDamaged);
    } catch (const ECancelled& e) {
        return Fail(log, e.Message(), kExitCancelled);
    } catch (const Exception& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    }
    WarnOfFailedExtras(log);
    LogInstalledItems(log);
    for (const AnsiString& problem : FinishInstall(state.installDir, line.run))
        observer.Say(problem);
    observer.Say(gbk::Literal("安装完成"));
    return kExitInstalled;
}

// Only the progress window: it shows the sequence and closes at its end.
int RunInProgressWindow(const TInstallState& state, const TCommandLine& line, TInstallLog& log) {
    Form2->TakeInstallState(state);
    Form2->FinishWithoutWindow = true;
    Form2->StartProductWhenDone = line.run;
    Form2->Show();
    // The window shows a failed step's error box itself and stays until it is closed.
    DispatchSafely([] { Form2->RunInstall(); });
    if (InstallTransaction().WasCancelled())
        return Fail(log, CancelledMessage(), kExitCancelled);
    if (!Form2->Completed)
        return Fail(log, gbk::Literal("安装未完成"), kExitInstallFailed);
    WarnOfFailedExtras(log);
    LogInstalledItems(log);
    log.Line(gbk::Literal("安装完成"));
    return kExitInstalled;
}

} // namespace

int RunUnattendedInstall(const TCommandLine& line) {
    TInstallLog log;
    const bool withWindow = line.mode == TCommandLine::Mode::Silent;
    try {
        InitializeSetupApplication();
        UseProductIcon();
        if (withWindow)
            Application->CreateForm(Form2);
    } catch (const Exception& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    }
    // The default folder's lookup makes the system root's layout: a root another user
    // controls is refused before that.
    try {
        RefuseForeignSystemRoot();
    } catch (const EForeignFolder& e) {
        return Fail(log, e.Message(), kExitInstallFailed);
    }
    const TInstallState state = InstallStateFrom(line);
    // The log only once the locks are held: a refused run leaves a running install's log whole.
    if (const int code = RunActionStep(log, [&] { LockInstall(state); }); code != kExitInstalled)
        return code;
    if (line.logFile)
        log.Open(*line.logFile);
    TConsoleObserver observer(log, isatty(STDERR_FILENO) || log.IsOpen());
    log.Line(gbk::Literal("安装文件夹 ") + state.installDir);
    if (const int code = RunActionStep(log, [&] { PerformInstallAction(state); });
        code != kExitInstalled)
        return code;
    if (withWindow)
        return RunInProgressWindow(state, line, log);
    return RunWithoutWindows(state, line, log, observer);
}
