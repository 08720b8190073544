#include "Canvas.h"
#include "DialogService.h"

#include <Gbk.h>
#include <SystemRoot.h>

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

int QtDialogService::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
    QMessageBox box;
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

std::optional<AnsiString> QtDialogService::BrowseForFolder(const AnsiString& title,
                                                           const AnsiString& initialFolder) {
    QString start;
    if (!initialFolder.empty())
        if (auto linux = winapi::ToLinuxPath(initialFolder))
            start = QString::fromStdString(*linux);
    QString chosen = QFileDialog::getExistingDirectory(nullptr, GbkToQString(title), start,
                                                       QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    auto windows = winapi::ToWindowsPath(chosen.toStdString());
    if (!windows)
        throw Exception(*gbk::FromUtf8("所选文件夹的名称含有无法用GBK编码表示的字符"));
    return *windows;
}
