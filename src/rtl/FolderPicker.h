// The folder picker of the Windows world: a tree rooted at 计算机 holding the system root's
// drives by letter, each opened one level at a time to its folders, and a box that shows and
// takes a Windows path. Nothing in it names a Linux path, and it keeps no settings file (Qt's
// own file dialog would show the root's Linux folders and write its history to the home).
#pragma once

#include "SysUtils.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The folder a typed Windows path names, as the picker returns it: backslashes for either
// separator, the drive letter in capitals, no trailing backslash but a drive's own. The folder
// need not exist yet (the install creates it), but its drive must. An Exception with the text
// the user reads when the path names no folder there.
AnsiString TypedFolder(const QString& typed);

class FolderPickerDialog : public QDialog {
public:
    // Transient for and centred on parent; opens on initialFolder (a GBK Windows path) when
    // it names an existing folder, else on drive C:.
    FolderPickerDialog(QWidget* parent, const QString& caption, const AnsiString& initialFolder);

    // The folder confirmed by OK, a GBK Windows path.
    const AnsiString& Folder() const { return folder_; }

    void accept() override;

private:
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const QString& label,
                               const AnsiString& windowsPath);
    // Lists an item's folders the first time it opens.
    void FillFolders(QTreeWidgetItem* item);
    // Opens the tree down to the folder and selects it, as far as it exists.
    void Reveal(const AnsiString& windowsPath);
    void ShowProblem(const QString& text);

    QTreeWidget* tree_ = nullptr;
    QLineEdit* path_ = nullptr;
    QLabel* problem_ = nullptr;
    AnsiString folder_;
};
