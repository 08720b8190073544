// The installer's entry point. Without switches it shows its windows; /SILENT and /VERYSILENT
// install from the command line (CommandLine.h). Qt reads its own platform options from argv.
#include "DisplayCheck.h"
#include "StartUp.h"
#include "UnattendedInstall.h"

#include "rtl/Application.h"

int main(int argc, char* argv[]) {
    TCommandLine line;
    if (const auto exitCode = ReadSwitches(argc, argv, line))
        return *exitCode;
    // Qt would abort without a display. /VERYSILENT has chosen Qt's offscreen platform by now,
    // so the check lets it through.
    if (!EnsureGraphicalDisplay(argc, argv))
        return 1;
    TApplication application(argc, argv);
    if (line.mode != TCommandLine::Mode::Windows)
        return RunUnattendedInstall(line);
    bool started = false;
    DispatchSafely([&] {
        CreateSetupWindows();
        started = true;
    });
    if (!started)
        return 1;
    Application->Run();
    return 0;
}
