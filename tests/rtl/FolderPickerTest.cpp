// The folder picker: the drives and folders of the system root in Windows terms only, the
// Windows paths it takes and refuses, and what the installer gets back from it.
#include "GuiTest.h"

#include "rtl/FolderPicker.h"
#include "rtl/SysErrorMessage.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using testing_support::WriteLinuxFile;

namespace {

class FolderPicker : public GuiTest {
protected:
    FolderPicker() {
        fs::create_directories(systemRoot.DriveC() + "/Apps/Tools");
        fs::create_directories(systemRoot.DriveC() + "/.hidden");
        WriteLinuxFile(systemRoot.DriveC() + "/notes.txt", "not a folder");
        // D: a folder of its own; E: a link whose folder is gone, so no drive.
        fs::create_directories(systemRoot.Folder() + "/data/Media");
        fs::create_directories(systemRoot.Root() + "/dosdevices");
        fs::create_directory_symlink(systemRoot.Folder() + "/data",
                                     systemRoot.Root() + "/dosdevices/d:");
        fs::create_directory_symlink(systemRoot.Folder() + "/gone",
                                     systemRoot.Root() + "/dosdevices/e:");
    }
    static QTreeWidget* Tree(QWidget* dialog) {
        return dialog->findChild<QTreeWidget*>("folderTree");
    }
    static QLineEdit* Path(QWidget* dialog) { return dialog->findChild<QLineEdit*>("folderPath"); }
    static QLabel* Problem(QWidget* dialog) { return dialog->findChild<QLabel*>("problem"); }
    static AnsiString PathOf(const QTreeWidgetItem* item) {
        return item->data(0, Qt::UserRole).toByteArray().toStdString();
    }

    testing_support::TempSystemRoot systemRoot;
};

// Every item below item, each opened as a user opens it, down to depth levels.
void Visit(QTreeWidgetItem* item, int depth, const std::function<void(QTreeWidgetItem*)>& see) {
    see(item);
    if (depth == 0)
        return;
    item->setExpanded(true);
    for (int i = 0; i < item->childCount(); ++i)
        Visit(item->child(i), depth - 1, see);
}

std::vector<QString> ChildTexts(const QTreeWidgetItem* item) {
    std::vector<QString> texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0));
    return texts;
}

TEST_F(FolderPicker, TheTreeHoldsTheDrivesByLetterAndTheirFoldersAndNoLinuxPath) {
    FolderPickerDialog dialog(nullptr, QString::fromUtf8("指定目录"), "");
    QTreeWidget* tree = Tree(&dialog);
    ASSERT_TRUE(tree && Path(&dialog));
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* computer = tree->topLevelItem(0);
    EXPECT_EQ(computer->text(0), QString::fromUtf8("计算机"));
    EXPECT_EQ(ChildTexts(computer), (std::vector<QString>{"C:", "D:", "Z:"}));
    EXPECT_EQ(PathOf(tree->currentItem()), "C:\\") << "it opens on drive C:";
    EXPECT_EQ(Path(&dialog)->text(), "C:\\");

    QTreeWidgetItem* driveC = computer->child(0);
    driveC->setExpanded(true);
    const std::vector<QString> inC = ChildTexts(driveC);
    EXPECT_NE(std::find(inC.begin(), inC.end(), "Apps"), inC.end());
    EXPECT_EQ(std::find(inC.begin(), inC.end(), ".hidden"), inC.end()) << "hidden as Wine hides it";
    EXPECT_EQ(std::find(inC.begin(), inC.end(), "notes.txt"), inC.end()) << "folders only";
    computer->child(1)->setExpanded(true);
    EXPECT_EQ(ChildTexts(computer->child(1)), std::vector<QString>{"Media"});
    EXPECT_EQ(PathOf(computer->child(1)->child(0)), "D:\\Media");

    const QString linuxRoot = QString::fromStdString(systemRoot.Folder());
    auto windowsOnly = [&](QTreeWidgetItem* item) {
        const QString path = QString::fromStdString(PathOf(item));
        EXPECT_FALSE(item->text(0).contains('/')) << item->text(0).toStdString();
        EXPECT_FALSE(item->text(0).contains(linuxRoot));
        if (item != computer) {
            EXPECT_TRUE(path.size() >= 3 && path[1] == ':' && path[2] == '\\')
                << path.toStdString();
        }
        tree->setCurrentItem(item);
        EXPECT_FALSE(Path(&dialog)->text().contains('/')) << Path(&dialog)->text().toStdString();
    };
    Visit(driveC, 8, windowsOnly);
    Visit(computer->child(2), 1, windowsOnly); // Z:, the Linux tree in Windows form
}

TEST_F(FolderPicker, ItOpensOnTheFolderItIsGiven) {
    FolderPickerDialog dialog(nullptr, "T", "c:\\apps\\TOOLS");
    ASSERT_NE(Tree(&dialog)->currentItem(), nullptr);
    EXPECT_EQ(PathOf(Tree(&dialog)->currentItem()), "C:\\Apps\\Tools");
    EXPECT_EQ(Path(&dialog)->text(), "C:\\Apps\\Tools");
}

TEST_F(FolderPicker, ATypedWindowsPathIsTakenInItsUsualForm) {
    struct Case {
        const char* typed;
        const char* folder;
    };
    for (const Case& c : {Case{"c:/apps/tools/", "C:\\apps\\tools"},
                          Case{"  C:\\Apps  ", "C:\\Apps"}, Case{"D:\\", "D:\\"},
                          Case{"C:\\Program Files\\新的文件夹", "C:\\Program Files\\新的文件夹"},
                          Case{"Z:\\usr", "Z:\\usr"}})
        EXPECT_EQ(TypedFolder(QString::fromUtf8(c.typed)), gbk::Literal(c.folder)) << c.typed;
}

TEST_F(FolderPicker, APathThatNamesNoFolderThereIsRefusedWithItsReason) {
    struct Case {
        const char* typed;
        AnsiString message;
    };
    const AnsiString needsDrive =
        gbk::Literal("请输入以盘符开头的完整路径，例如 C:\\Program Files");
    for (const Case& c : {
             Case{"   ", gbk::Literal("请输入文件夹的位置")},
             Case{"Apps\\Tools", needsDrive},
             Case{"/home/me", needsDrive},
             Case{"\\\\server\\share", needsDrive},
             Case{"C:", needsDrive},
             Case{"q:\\Apps", gbk::Literal("驱动器 Q: 不存在")},
             Case{"E:\\", gbk::Literal("驱动器 E: 不存在")},
             Case{"C:\\notes.txt", gbk::Literal("C:\\notes.txt 是文件，不是文件夹")},
             Case{"C:\\a|b", SysErrorMessage(ERROR_INVALID_NAME)},
             Case{"C:\\\xF0\x9F\x98\x80", gbk::Literal("文件夹的名称含有无法用GBK编码表示的字符")},
         }) {
        try {
            TypedFolder(QString::fromUtf8(c.typed));
            ADD_FAILURE() << c.typed << " was taken";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.typed;
        }
    }
}

// Runs the installer's picker with act working in it once it is open.
std::optional<AnsiString> Browse(const std::function<void(QDialog*)>& act) {
    QTimer::singleShot(50, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
    return QtDialogService().BrowseForFolder(gbk::Literal("指定目录"), "");
}

TEST_F(FolderPicker, TheInstallersPickerBelongsToItsWindowAndGivesTheTypedFolder) {
    TTestForm* form = MakeForm("object F: TTestForm\n  Left = 200\n  Top = 150\n"
                               "  Width = 588\n  Height = 400\nend");
    form->Show();
    QString caption;
    QWidget* owner = nullptr;
    QPoint centre;
    QString refusal;
    const auto chosen = Browse([&](QDialog* dialog) {
        caption = dialog->windowTitle();
        owner = dialog->parentWidget();
        centre = dialog->geometry().center();
        if (const char* folder = std::getenv("VOSTREL_SCREENSHOTS"))
            dialog->grab().save(QString("%1/folder-picker.png").arg(folder));
        Path(dialog)->setText("R:\\Apps");
        dialog->accept();
        refusal = Problem(dialog)->isVisible() ? Problem(dialog)->text() : QString();
        Path(dialog)->setText("C:\\Apps\\Neu");
        dialog->accept();
    });
    EXPECT_EQ(chosen, AnsiString("C:\\Apps\\Neu"));
    EXPECT_EQ(caption, QString::fromUtf8("指定目录"));
    EXPECT_EQ(owner, form->Widget());
    EXPECT_LE((centre - form->Widget()->geometry().center()).manhattanLength(), 2);
    EXPECT_EQ(refusal, QString::fromUtf8("驱动器 R: 不存在")) << "said in the picker, which stays";

    EXPECT_EQ(Browse([](QDialog* dialog) { dialog->reject(); }), std::nullopt) << "cancelled";
}

TEST_F(FolderPicker, ItWritesNoSettingsFile) {
    const fs::path config = systemRoot.Home() + "/.config";
    fs::create_directories(config);
    const auto chosen = Browse([](QDialog* dialog) {
        QTreeWidgetItem* driveC = Tree(dialog)->currentItem();
        driveC->setExpanded(true);
        for (int i = 0; i < driveC->childCount(); ++i)
            if (driveC->child(i)->text(0) == "Apps")
                Tree(dialog)->setCurrentItem(driveC->child(i));
        dialog->accept();
    });
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, "C:\\Apps");
    for (const auto& entry : fs::recursive_directory_iterator(systemRoot.Home()))
        EXPECT_FALSE(entry.path().string().find("QtProject") != std::string::npos ||
                     entry.path().parent_path() == config)
            << entry.path();
}

} // namespace
