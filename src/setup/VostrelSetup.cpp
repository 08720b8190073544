// The installer's entry point. The program reads no command line: argc and argv only reach
// Qt, for its own platform options.
#include "DisplayCheck.h"
#include "IntegrityCheck.h"
#include "StartUp.h"

#include "rtl/Application.h"

int main(int argc, char* argv[]) {
    // A file cut short must be caught before anything reads the resources it lacks.
    if (!EnsureCompleteExecutable())
        return kIncompleteExecutableExitCode;
    // Qt would abort without a display; a mode that shows no window skips this check.
    if (!EnsureGraphicalDisplay(argc, argv))
        return 1;
    TApplication application(argc, argv);
    StartResourceCheck();
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
