#include "Accessibility.h"
#include "Canvas.h"
#include "DialogService.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

namespace {

// The program speaks Chinese whatever the user's locale, so Qt's own dialog texts (the
// message box buttons, the folder picker's labels) come from Qt's Simplified Chinese
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

// The folder picker in the program's terms: it shows the Windows path (with its drive letter)
// of the folder it is looking at, and takes a Windows path typed into its name box, as the
// rest of the program speaks of folders. Linux paths typed in still work.
class WindowsFolderDialog : public QFileDialog {
public:
    WindowsFolderDialog(const QString& title, const QString& start)
        : QFileDialog(VisibleInstallerWindow(), title, start) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        setOption(QFileDialog::DontUseNativeDialog);
        where_ = new QLabel(this);
        where_->setObjectName("windowsPath");
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(where_, grid->rowCount(), 0, 1, grid->columnCount());
        connect(this, &QFileDialog::directoryEntered, this, &WindowsFolderDialog::ShowWhere);
        ShowWhere(directory().absolutePath());
    }

    void accept() override {
        if (auto* name = findChild<QLineEdit*>("fileNameEdit")) {
            const QString text = name->text();
            const bool windowsPath =
                text.size() >= 2 && text[1] == QLatin1Char(':') && text[0].isLetter();
            if (windowsPath)
                if (auto linux = winapi::ToLinuxPath(QStringToGbk(text)))
                    name->setText(QString::fromStdString(*linux));
        }
        QFileDialog::accept();
    }

private:
    void ShowWhere(const QString& folder) {
        auto windows = winapi::ToWindowsPath(folder.toStdString());
        where_->setText(windows ? GbkToQString(*windows) : folder);
    }

    QLabel* where_ = nullptr;
};

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
    UseChineseDialogTexts();
    // Without a folder to open on, the picker starts at drive C:, where programs go, rather
    // than in whatever folder the installer happened to be started from.
    QString start;
    if (auto linux = winapi::ToLinuxPath(initialFolder.empty() ? "C:\\" : initialFolder))
        start = QString::fromStdString(*linux);
    WindowsFolderDialog dialog(GbkToQString(title), start);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().front();
    auto windows = winapi::ToWindowsPath(chosen.toStdString());
    if (!windows)
        throw Exception(gbk::Literal("所选文件夹的名称含有无法用GBK编码表示的字符"));
    return *windows;
}
