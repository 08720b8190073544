#include "StartUp.h"

#include "FinishWindow.h"
#include "OptionsWindow.h"
#include "ProductInfo.h"
#include "ProgressWindow.h"
#include "SetupClasses.h"

#include "rtl/Application.h"

#include "winapi/Gbk.h"

#include <cstdio>
#include <cstdlib>

void InitializeSetupApplication() {
    RegisterSetupClasses();
    Application->Initialize();
    Application->SetTitle(SetupTitle());
}

void CreateSetupWindows() {
    InitializeSetupApplication();
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
}

void TakeSwitchesAsStartingValues(const TCommandLine& line) {
    if (line.installDir)
        Form1->Edit1->SetText(*line.installDir);
    if (!line.desktopIcon)
        Form1->bsSkinCheckRadioBox4->SetChecked(false);
    if (!line.quickLaunch)
        Form1->bsSkinCheckRadioBox3->SetChecked(false);
    if (!line.autoStart)
        Form1->bsSkinCheckRadioBox2->SetChecked(false);
}

std::optional<int> ReadSwitches(int argc, char* argv[], TCommandLine& line) {
    try {
        line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ECommandLineError& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return kExitBadSwitches;
    }
    if (line.mode == TCommandLine::Mode::Help) {
        std::fputs(CommandLineHelp().c_str(), stdout);
        return kExitInstalled;
    }
    if (line.mode == TCommandLine::Mode::VerySilent)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return std::nullopt;
}
