// window-probe: shows the installer's three windows on the running Qt platform, at the scale
// QT_SCALE_FACTOR sets, and prints for each window where every control lies and which control
// a click reaches at every point of the window, all in logical pixels. With --grab <folder> it
// also saves each window as the screen shows it, in device pixels, as <folder>/<window>.png.
// The scaled-screen test runs it at several scales and compares what it prints.
#include "support/TempSystemRoot.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"
#include "setup/FinishWindow.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/StartUp.h"
#include "winapi/Gbk.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

#include <cstdio>
#include <map>
#include <string>

namespace {

// Every windowed control of the form by its widget, the form included.
void CollectWidgets(TWinControl* control, std::map<QWidget*, TWinControl*>& widgets) {
    widgets[control->Widget()] = control;
    for (int i = 0; i < control->ControlCount(); ++i)
        if (auto* windowed = dynamic_cast<TWinControl*>(control->Controls(i)))
            CollectWidgets(windowed, widgets);
}

void PrintControls(TWinControl* parent, QWidget* form) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        std::printf("control %s %d %d %d %d%s\n", control->Name().c_str(), control->Left(),
                    control->Top(), control->Width(), control->Height(),
                    control->Visible() ? "" : " hidden");
        if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
            // Where the window system put the widget, which a click lands on.
            QRect shown(windowed->Widget()->mapTo(form, QPoint(0, 0)), windowed->Widget()->size());
            std::printf("widget %s %d %d %d %d\n", control->Name().c_str(), shown.x(), shown.y(),
                        shown.width(), shown.height());
            PrintControls(windowed, form);
        }
    }
}

// The control a click at (x, y) of the form reaches: the widget under it, then the windowless
// control of that widget there.
std::string ClickTarget(TForm* form, const std::map<QWidget*, TWinControl*>& widgets, int x,
                        int y) {
    QWidget* under = form->Widget()->childAt(x, y);
    auto found = widgets.find(under ? under : form->Widget());
    if (found == widgets.end())
        return "?";
    TWinControl* target = found->second;
    QPoint local = target->Widget()->mapFrom(form->Widget(), QPoint(x, y));
    TControl* control = target->ControlAtPos(local.x(), local.y());
    return (control ? control : target)->Name();
}

// One line per row: runs of "name*count".
void PrintClickTargets(TForm* form) {
    std::map<QWidget*, TWinControl*> widgets;
    CollectWidgets(form, widgets);
    for (int y = 0; y < form->ClientHeight(); ++y) {
        std::string line, current;
        int run = 0;
        for (int x = 0; x <= form->ClientWidth(); ++x) {
            std::string target = x < form->ClientWidth() ? ClickTarget(form, widgets, x, y) : "";
            if (target == current) {
                ++run;
                continue;
            }
            if (run > 0)
                line += " " + current + "*" + std::to_string(run);
            current = target;
            run = 1;
        }
        std::printf("row %d%s\n", y, line.c_str());
    }
}

void Probe(TForm* form, const char* name, const QString& grabFolder) {
    form->Show();
    QApplication::processEvents();
    std::printf("window %s %d %d\n", name, form->ClientWidth(), form->ClientHeight());
    PrintControls(form, form->Widget());
    PrintClickTargets(form);
    if (!grabFolder.isEmpty())
        form->Widget()->grab().save(grabFolder + "/" + name + ".png");
    form->Hide();
}

} // namespace

int main(int argc, char** argv) {
    QString grabFolder;
    if (argc == 3 && std::string(argv[1]) == "--grab")
        grabFolder = QString::fromLocal8Bit(argv[2]);
    else if (argc != 1) {
        std::fprintf(stderr, "usage: window-probe [--grab <folder>]\n");
        return 2;
    }
    testing_support::TempSystemRoot root;
    TApplication app(argc, argv);
    app.SetDialogs(std::make_unique<ScriptedDialogService>());
    CreateSetupWindows();
    // Whether the texts are drawn with the installer's own glyphs (application font 0).
    std::printf("carried glyphs %s\n",
                QFontDatabase::applicationFontFamilies(0).isEmpty() ? "unused" : "used");
    Probe(Form1, "options", grabFolder);
    // The progress window as it shows during the unpacking.
    ExtractProgress(nullptr, true, 1000);
    ExtractProgress(nullptr, false, 420);
    Form2->Label1->SetCaption(gbk::Literal("正在解压文件，完成:42% ."));
    Probe(Form2, "progress", grabFolder);
    Probe(Form3, "finish", grabFolder);
    return 0;
}
