#include "FolderPicker.h"

#include "Canvas.h"
#include "FileUtils.h"
#include "SysErrorMessage.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

#include <QAccessible>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

// An item's Windows path (GBK); the computer item has none.
constexpr int kPathRole = Qt::UserRole;
// Whether an item's folders have been listed.
constexpr int kFilledRole = Qt::UserRole + 1;

AnsiString PathOf(const QTreeWidgetItem* item) {
    return item->data(0, kPathRole).toByteArray().toStdString();
}

bool DriveExists(char letter) {
    return (GetLogicalDrives() >> (letter - 'A')) & 1u;
}

// The names of the folders in a Windows folder that GBK can write, in the order Windows
// Explorer shows them; hidden (dot) folders left out, as Wine hides them.
std::vector<AnsiString> FolderNames(const AnsiString& windowsFolder) {
    std::vector<AnsiString> names;
    const auto linux = winapi::ToLinuxPath(windowsFolder);
    if (!linux)
        return names;
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it(*linux, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.starts_with('.') || !it->is_directory(typeError))
            continue;
        if (auto gbkName = gbk::FromUtf8(name))
            names.push_back(*gbkName);
    }
    std::sort(names.begin(), names.end(), [](const AnsiString& a, const AnsiString& b) {
        return GbkToQString(a).compare(GbkToQString(b), Qt::CaseInsensitive) < 0;
    });
    return names;
}

} // namespace

AnsiString TypedFolder(const QString& typed) {
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        throw Exception(gbk::Literal("请输入文件夹的位置"));
    auto bytes = gbk::FromUtf8(trimmed.toStdString());
    if (!bytes)
        throw Exception(gbk::Literal("文件夹的名称含有无法用GBK编码表示的字符"));
    // A "/" byte is never half of a GBK character, so it can be replaced bytewise.
    AnsiString path = *bytes;
    std::replace(path.begin(), path.end(), '/', '\\');
    const bool driveForm = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                           path[1] == ':' && path[2] == '\\';
    if (!driveForm)
        throw Exception(gbk::Literal("请输入以盘符开头的完整路径，例如 C:\\Program Files"));
    path[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    if (!DriveExists(path[0]))
        throw Exception(gbk::Literal("驱动器 ") + path.substr(0, 2) + gbk::Literal(" 不存在"));
    while (path.size() > 3 && gbk::EndsWithBackslash(path))
        path = ExcludeTrailingBackslash(path);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            throw Exception(SysErrorMessage(error));
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw Exception(path + gbk::Literal(" 是文件，不是文件夹"));
    }
    return path;
}

FolderPickerDialog::FolderPickerDialog(QWidget* parent, const QString& caption,
                                       const AnsiString& initialFolder)
    : QDialog(parent) {
    setWindowTitle(caption);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName("folderTree");
    tree_->setHeaderHidden(true);
    tree_->setAccessibleName(QString::fromUtf8("文件夹"));
    auto* label = new QLabel(QString::fromUtf8("文件夹(&F):"), this);
    path_ = new QLineEdit(this);
    path_->setObjectName("folderPath");
    label->setBuddy(path_);
    problem_ = new QLabel(this);
    problem_->setObjectName("problem");
    problem_->setStyleSheet("color: #c00000;");
    problem_->setWordWrap(true);
    problem_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderPickerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addWidget(label);
    layout->addWidget(path_);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    resize(380, 440);

    auto* computer = new QTreeWidgetItem(tree_, {QString::fromUtf8("计算机")});
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (DriveExists(letter))
            AddFolder(computer, QString("%1:").arg(letter), AnsiString{letter, ':', '\\'});
    computer->setExpanded(true);
    connect(tree_, &QTreeWidget::itemExpanded, this, &FolderPickerDialog::FillFolders);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !PathOf(item).empty())
            path_->setText(GbkToQString(PathOf(item)));
    });
    connect(path_, &QLineEdit::textEdited, problem_, &QWidget::hide);
    Reveal(DirectoryExists(initialFolder) ? initialFolder : AnsiString("C:\\"));
    tree_->setFocus();
}

QTreeWidgetItem* FolderPickerDialog::AddFolder(QTreeWidgetItem* parent, const QString& label,
                                               const AnsiString& windowsPath) {
    auto* item = new QTreeWidgetItem(parent, {label});
    item->setData(0, kPathRole, QByteArray::fromStdString(windowsPath));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void FolderPickerDialog::FillFolders(QTreeWidgetItem* item) {
    const AnsiString path = PathOf(item);
    if (path.empty() || item->data(0, kFilledRole).toBool())
        return;
    item->setData(0, kFilledRole, true);
    for (const AnsiString& name : FolderNames(path))
        AddFolder(item, GbkToQString(name), IncludeTrailingBackslash(path) + name);
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void FolderPickerDialog::Reveal(const AnsiString& windowsPath) {
    const QStringList parts = GbkToQString(windowsPath).split('\\', Qt::SkipEmptyParts);
    QTreeWidgetItem* current = tree_->topLevelItem(0);
    for (const QString& part : parts) {
        QTreeWidgetItem* next = nullptr;
        FillFolders(current);
        for (int i = 0; i < current->childCount() && !next; ++i)
            if (current->child(i)->text(0).compare(part, Qt::CaseInsensitive) == 0)
                next = current->child(i);
        if (!next)
            break;
        current->setExpanded(true);
        current = next;
    }
    tree_->setCurrentItem(current);
}

void FolderPickerDialog::accept() {
    try {
        folder_ = TypedFolder(path_->text());
    } catch (const Exception& e) {
        ShowProblem(GbkToQString(e.Message()));
        return;
    }
    QDialog::accept();
}

void FolderPickerDialog::ShowProblem(const QString& text) {
    problem_->setText(text);
    problem_->show();
    path_->setFocus();
    // The screen reader says it at once, as it says a message box.
    QAccessibleEvent alert(problem_, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
