#include "Accessibility.h"
#include "Canvas.h"
#include "DialogService.h"
#include "FolderPicker.h"

#include "winapi/Gbk.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

namespace {

// The program speaks Chinese whatever the user's locale, so Qt's own dialog texts (the
// message box buttons) come from Qt's Simplified Chinese
// translation, loaded when the first dialog opens so start-up does not wait for it. Without
// the translation file they stay in English.
void UseChineseDialogTexts() {
    // Owned by the application object, so it goes with it and a later one loads it anew.
    static QPointer<QTranslator> installed;
    if (installed || !QCoreApplication::instance())
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}

// The installer window the user sees, which the dialogs belong to: the window manager keeps
// them above it and Qt centres them on it. Without one they stand alone.
QWidget* VisibleInstallerWindow() {
    if (QWidget* active = QApplication::activeWindow(); active && ControlOfWidget(active))
        return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && ControlOfWidget(window))
            return window;
    return nullptr;
}

// Room for the whole caption in the window manager's title bar, beside its buttons.
int TitleWidth(const QWidget& dialog) {
    constexpr int kTitleBarButtons = 120;
    return dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + kTitleBarButtons;
}

} // namespace

int QtDialogService::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
    UseChineseDialogTexts();
    QMessageBox box(VisibleInstallerWindow());
    box.setWindowTitle(GbkToQString(caption));
    box.setText(GbkToQString(text));
    box.setWindowModality(Qt::ApplicationModal);
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // A message box sizes itself to its text; a spacer below keeps its title whole.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(
            new QSpacerItem(TitleWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    // The nested loop keeps timers running; application modality disables the other windows.
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

void QtDialogService::ShowText(const AnsiString& text, const AnsiString& caption) {
    UseChineseDialogTexts();
    QDialog dialog(VisibleInstallerWindow());
    dialog.setWindowTitle(GbkToQString(caption));
    dialog.setWindowModality(Qt::ApplicationModal);
    // Black on white with 12-pixel text, as the installer's own windows are drawn.
    dialog.setStyleSheet("QDialog, QPlainTextEdit { background: white; color: black; }");
    auto* view = new QPlainTextEdit(GbkToQString(text), &dialog);
    view->setReadOnly(true);
    QFont font = view->font();
    font.setPixelSize(12);
    view->setFont(font);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(std::max(520, TitleWidth(dialog)), 420);
    dialog.exec();
}

std::optional<AnsiString> QtDialogService::BrowseForFolder(const AnsiString& title,
                                                           const AnsiString& initialFolder) {
    FolderPickerDialog dialog(VisibleInstallerWindow(), GbkToQString(title), initialFolder);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Folder();
}
