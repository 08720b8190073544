#include "StartUp.h"

#include "CarriedGlyphs.h"
#include "FinishWindow.h"
#include "ForeignFolders.h"
#include "OptionsWindow.h"
#include "ProductInfo.h"
#include "ProgressWindow.h"
#include "ResourceFiles.h"
#include "SetupClasses.h"

#include "rtl/Application.h"
#include "rtl/IconFile.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <vector>

namespace {

std::vector<QImage> ReadProductIcon() {
    if (!FindResourceA(nullptr, kProductIconResource, RT_RCDATA))
        return {};
    const std::string_view bytes = ResourceBytes(kProductIconResource);
    return ReadIconImages({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// The icon's images as they decode, from InitializeSetupApplication until UseProductIcon.
std::future<std::vector<QImage>>& PendingProductIcon() {
    static std::future<std::vector<QImage>> pending;
    return pending;
}

} // namespace

void UseProductIcon() {
    std::future<std::vector<QImage>>& pending = PendingProductIcon();
    if (!pending.valid())
        return;
    if (const std::vector<QImage> images = pending.get(); !images.empty())
        QApplication::setWindowIcon(IconOfImages(images));
}

void InitializeSetupApplication() {
    RegisterSetupClasses();
    // The icon decodes on a thread beside the rest of the start-up (on this one when no thread
    // can be had).
    PendingProductIcon() = std::async(std::launch::async | std::launch::deferred, ReadProductIcon);
    Application->Initialize();
    UseCarriedGlyphsWhenNeeded();
    Application->SetTitle(SetupTitle());
}

void CreateSetupWindows() {
    InitializeSetupApplication();
    // However this ends, the icon is set before the first window or error box shows.
    struct IconBeforeShowing {
        ~IconBeforeShowing() { UseProductIcon(); }
    } iconBeforeShowing;
    // The options window's default folder is named inside the system root: a root another user
    // controls is refused first, in an error box, and the program ends.
    RefuseForeignSystemRoot();
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
