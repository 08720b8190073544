// The installer's entry point. Without /SILENT or /VERYSILENT it shows its windows, with the
// other switches as the options window's starting values; those two install from the command
// line (CommandLine.h). Qt reads its own platform options from argv.
#include "DisplayCheck.h"
#include "InstallTransaction.h"
#include "IntegrityCheck.h"
#include "StartUp.h"
#include "UnattendedInstall.h"

#include "rtl/Application.h"

int main(int argc, char* argv[]) {
    TCommandLine line;
    const std::optional<int> switchesExitCode = ReadSwitches(argc, argv, line);
    // A file cut short must be caught before anything reads the resources it lacks.
    if (!EnsureCompleteExecutable()) {
        if (line.mode == TCommandLine::Mode::Windows)
            ShowIncompleteExecutableBox(argc, argv);
        return kExitPayloadDamaged;
    }
    if (switchesExitCode)
        return *switchesExitCode;
    // Qt would abort without a display. /VERYSILENT has chosen Qt's offscreen platform by now,
    // so the check lets it through.
    if (!EnsureGraphicalDisplay(argc, argv))
        return 1;
    // Unattended, nothing is painted: the check starts now, beside Qt's start-up and the
    // windows' creation, and the install waits for it before it writes anything.
    if (line.mode != TCommandLine::Mode::Windows)
        StartResourceCheck();
    TApplication application(argc, argv);
    if (line.mode != TCommandLine::Mode::Windows)
        return RunUnattendedInstall(line);
    StartResourceCheck();
    bool started = false;
    DispatchSafely([&] {
        CreateSetupWindows();
        TakeSwitchesAsStartingValues(line);
        started = true;
    });
    if (!started)
        return 1;
    Application->Run();
    // The window's close button, a signal or a lost display may have cancelled the install.
    if (InstallTransaction().Active()) {
        InstallTransaction().RequestCancel();
        InstallTransaction().Rollback();
    }
    return InstallTransaction().WasCancelled() ? kExitCancelled : 0;
}
