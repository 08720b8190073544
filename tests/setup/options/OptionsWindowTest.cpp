// The options window as a user meets it: its controls after start-up, the custom-options
// toggle and its hover picture, browsing for a folder, and the install action with its
// hand-over to the progress window, its folder errors and the payload files it writes.
#include "InstallerWindows.h"

#include "setup/FinishWindow.h"
#include "setup/InstallLock.h"
#include "setup/InstallTransaction.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/StartUp.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"
#include "rtl/SysErrorMessage.h"
#include "support/QtTestApplication.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

using testing_support::ReadLinuxFile;

namespace {

int g_argc = 1;
char g_name[] = "options_window_tests";
char* g_argv[] = {g_name, nullptr};

// The stand-ins this test program carries as the payload resources F1 and F7Z.
const std::string kArchiveStandIn = "stand-in for the payload archive Vostrel.7z\n";
const std::string kLibraryStandIn = "stand-in for the archive library 7z.dll\n";

// Points on the window: the install button, the toggle picture, and the two links.
const QPoint kInstallButton(294, 359);
const QPoint kToggleAtStart(497, 376);
const QPoint kOptionsLinkAtStart(530, 376);
const QPoint kLicenceLinkAtStart(130, 374);
const QPoint kBareBackground(300, 200);

class OptionsWindowTest : public testing_support::InstallerWindowsTest {
protected:
    OptionsWindowTest() {
        Form1->Show();
        window = Form1->Widget();
        // Active, as after the user's first click on it: the check boxes take the focus.
        QApplication::setActiveWindow(window);
    }

    void Click(QPoint at) { QTest::mouseClick(window, Qt::LeftButton, {}, at); }
    void ClickBox(TbsSkinCheckRadioBox* box) {
        QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(10, 12));
    }
    // The pointer moving over the window to a point, as the window system reports it.
    void MovePointer(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window, &move);
    }
    void Browse(const std::string& utf8Folder) {
        dialogs->folders.push_back(gbk::Literal(utf8Folder));
        QTest::mouseClick(Form1->Button1->Widget(), Qt::LeftButton);
    }
    std::string Linux(const std::string& utf8WindowsPath) const {
        return systemRoot.LinuxPath(gbk::Literal(utf8WindowsPath));
    }
    // The four tops of the bottom row: agreement box, licence link, toggle, options link.
    std::vector<int> BottomRow() const {
        return {Form1->bsSkinCheckRadioBox1->Top(), Form1->bsSkinLinkLabel1->Top(),
                Form1->bsPngImageView1->Top(), Form1->bsSkinLinkLabel2->Top()};
    }
    void ExpectNoHandOver() const {
        EXPECT_FALSE(Form2->Visible());
        EXPECT_TRUE(Form1->Visible());
        ExpectNoInstallHandedOver();
    }

    QWidget* window = nullptr;
};

TEST_F(OptionsWindowTest, StartsCollapsedWithItsControlsInPlaceAndEveryOptionTicked) {
    EXPECT_EQ(Form1->Width(), 588);
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_EQ(window->size(), QSize(588, 400));
    EXPECT_EQ(Form1->Image1->BoundsRect(), Bounds(0, 0, 588, 600));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox1->BoundsRect(), Bounds(8, 360, 89, 25));
    EXPECT_EQ(Form1->bsPngImageView1->BoundsRect(), Bounds(488, 368, 20, 17));
    EXPECT_EQ(Form1->Edit1->BoundsRect(), Bounds(176, 400, 237, 25));
    EXPECT_EQ(Form1->Button1->BoundsRect(), Bounds(440, 400, 75, 25));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox4->BoundsRect(), Bounds(184, 456, 150, 25));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox3->BoundsRect(), Bounds(349, 456, 150, 25));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox2->BoundsRect(), Bounds(186, 489, 113, 25));
    // The links size themselves to their underlined text and keep their place.
    EXPECT_EQ(Form1->bsSkinLinkLabel1->Left(), 112);
    EXPECT_EQ(Form1->bsSkinLinkLabel1->Top(), 366);
    EXPECT_EQ(Form1->bsSkinLinkLabel2->Left(), 512);
    EXPECT_EQ(Form1->bsSkinLinkLabel2->Top(), 368);

    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("C:\\Program Files\\Vostrel\\"));
    EXPECT_FALSE(Form1->Edit1->Enabled());
    EXPECT_FALSE(Form1->Edit1->Widget()->isEnabled());
    EXPECT_EQ(Form1->Button1->Caption(), gbk::Literal("浏览"));
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 0);
    for (TbsSkinCheckRadioBox* box : {Form1->bsSkinCheckRadioBox1, Form1->bsSkinCheckRadioBox2,
                                      Form1->bsSkinCheckRadioBox3, Form1->bsSkinCheckRadioBox4}) {
        EXPECT_TRUE(box->Checked()) << box->Name();
        EXPECT_EQ(box->SkinData(), Form1->bsSkinData1) << box->Name();
    }
    EXPECT_FALSE(Form1->bsSkinData1->Empty());
    // Four toggle pictures over the stored platform list of four placeholders.
    EXPECT_EQ(Form1->bsPngImageList1->PngImages()->Count(), 4);
    EXPECT_EQ(Form1->bsPngImageList1->Count(), 4);
    ASSERT_NE(Form1->bsPngImageList1->Handle(), nullptr);
    EXPECT_EQ(Form1->bsPngImageList1->Handle()->Capacity(), 9);
    EXPECT_EQ(Form1->bsPngImageList1->Handle()->Width(), 20);
    EXPECT_EQ(Form1->bsPngImageList1->Handle()->Height(), 17);
    EXPECT_EQ(Form1->bsSkinCheckRadioBox4->Caption(), gbk::Literal("生成桌面快捷方式"));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox3->Caption(), gbk::Literal("添加到快速启动栏"));
    EXPECT_EQ(Form1->bsSkinCheckRadioBox2->Caption(), gbk::Literal("开机自动启动"));
    EXPECT_EQ(Form1->bsSkinLinkLabel2->Caption(), gbk::Literal("自定义选项"));
    EXPECT_EQ(Form1->bsSkinLinkLabel1->SkinData(), nullptr);
}

// The control of the options window that has the keyboard focus, or nullptr.
TControl* FocusedControl() {
    for (int i = 0; i < Form1->ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TControl*>(Form1->Components(i)))
            if (control->AccessibleWidget() &&
                control->AccessibleWidget() == QApplication::focusWidget())
                return control;
    return nullptr;
}

// The controls Tab visits from the focused one on, once round the window.
std::vector<TControl*> TabRound() {
    std::vector<TControl*> visited;
    QWidget* start = QApplication::focusWidget();
    do {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(FocusedControl());
    } while (QApplication::focusWidget() != start && visited.size() < 20);
    return visited;
}

TEST_F(OptionsWindowTest, TabGoesThroughWhatTheWindowShowsInTheOrderTheEyeReadsIt) {
    ASSERT_TRUE(Form1->bsSkinCheckRadioBox1->Focused()) << "the agreement box has the focus first";
    const std::vector<TControl*> collapsed = {Form1->bsSkinLinkLabel1,    Form1->bsPngImageView1,
                                              Form1->bsSkinLinkLabel2,    Form1->ImageMin,
                                              Form1->ImageClose,          Form1->Image2,
                                              Form1->bsSkinCheckRadioBox1};
    EXPECT_EQ(TabRound(), collapsed) << "nothing below the bottom edge takes the focus";
    Click(kToggleAtStart);
    // The folder box is disabled: the user browses.
    const std::vector<TControl*> expanded = {Form1->bsSkinLinkLabel1,
                                             Form1->bsPngImageView1,
                                             Form1->bsSkinLinkLabel2,
                                             Form1->ImageMin,
                                             Form1->ImageClose,
                                             Form1->Image2,
                                             Form1->Button1,
                                             Form1->bsSkinCheckRadioBox4,
                                             Form1->bsSkinCheckRadioBox3,
                                             Form1->bsSkinCheckRadioBox2,
                                             Form1->bsSkinCheckRadioBox1};
    Form1->bsSkinCheckRadioBox1->SetFocus();
    EXPECT_EQ(TabRound(), expanded);
}

TEST_F(OptionsWindowTest, TheKeyboardAloneOpensTheOptionsUnticksOneAndInstalls) {
    Form1->bsSkinCheckRadioBox1->SetFocus();
    auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(FocusedControl(), Form1->bsPngImageView1);
    press(Qt::Key_Space);
    EXPECT_EQ(Form1->Height(), 550);
    EXPECT_EQ(Form1->bsPngImageView1->AccessibleName(), gbk::Literal("收起自定义选项"));
    Form1->bsSkinCheckRadioBox4->SetFocus();
    press(Qt::Key_Space);
    EXPECT_FALSE(Form1->bsSkinCheckRadioBox4->Checked());
    press(Qt::Key_Return); // on a check box: the install button
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form2->DesktopShortcutOption, "0");
    EXPECT_EQ(Form2->QuickLaunchOption, "1");
}

TEST_F(OptionsWindowTest, ReturnOnTheBrowseButtonBrowsesAndEscapeEndsTheProgram) {
    Click(kToggleAtStart);
    dialogs->folders.push_back(std::nullopt);
    Form1->Button1->SetFocus();
    QTest::keyClick(Form1->Button1->Widget(), Qt::Key_Return);
    EXPECT_EQ(dialogs->browseTitles.size(), 1u);
    EXPECT_FALSE(Form2->Visible());
    EXPECT_FALSE(app->Terminated());
    QTest::keyClick(Form1->Button1->Widget(), Qt::Key_Escape);
    EXPECT_TRUE(app->Terminated());
    ExpectNoInstallHandedOver();
}

// Alt with a letter, as the focused control receives it.
void PressAlt(Qt::Key letter) {
    QTest::keyClick(QApplication::focusWidget(), letter, Qt::AltModifier);
}

TEST_F(OptionsWindowTest, AltWithALetterWorksWhatTheWindowShowsAndOnlyThat) {
    Form1->bsSkinCheckRadioBox1->SetFocus();
    // Collapsed: the folder row and the options lie below the bottom edge.
    for (Qt::Key hidden : {Qt::Key_B, Qt::Key_D, Qt::Key_Q, Qt::Key_S})
        PressAlt(hidden);
    EXPECT_TRUE(dialogs->browseTitles.empty());
    EXPECT_TRUE(Form1->bsSkinCheckRadioBox4->Checked() && Form1->bsSkinCheckRadioBox3->Checked() &&
                Form1->bsSkinCheckRadioBox2->Checked());
    PressAlt(Qt::Key_L);
    EXPECT_EQ(dialogs->texts.size(), 1u) << "the licence";
    PressAlt(Qt::Key_C);
    EXPECT_EQ(Form1->Height(), 550);
    struct Box {
        Qt::Key letter;
        TbsSkinCheckRadioBox* box;
    };
    for (const Box& b :
         {Box{Qt::Key_D, Form1->bsSkinCheckRadioBox4}, Box{Qt::Key_Q, Form1->bsSkinCheckRadioBox3},
          Box{Qt::Key_S, Form1->bsSkinCheckRadioBox2},
          Box{Qt::Key_A, Form1->bsSkinCheckRadioBox1}}) {
        PressAlt(b.letter);
        EXPECT_FALSE(b.box->Checked()) << b.box->Caption();
        EXPECT_EQ(FocusedControl(), b.box) << "the box it ticks takes the focus";
    }
    dialogs->folders.push_back(std::nullopt);
    PressAlt(Qt::Key_B);
    EXPECT_EQ(dialogs->browseTitles.size(), 1u);
    EXPECT_EQ(FocusedControl(), Form1->Button1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::AltModifier | Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(dialogs->browseTitles.size(), 1u) << "Ctrl is no access key";
    PressAlt(Qt::Key_I);
    ASSERT_EQ(dialogs->messages.size(), 1u) << "the install button, refused without agreement";
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("请先阅读并同意许可协议"));
    PressAlt(Qt::Key_C);
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_FALSE(Form2->Visible());
}

TEST_F(OptionsWindowTest, AScreenReaderFindsEveryControlWithItsRoleNameStateAndKey) {
    struct Expected {
        TControl* control;
        QAccessible::Role role;
        const char* name;
        QString key;
    };
    const std::vector<Expected> controls = {
        {Form1, QAccessible::Window, "Talvimo安装向导 - 安装选项", ""},
        {Form1->ImageMin, QAccessible::Button, "最小化", ""},
        {Form1->ImageClose, QAccessible::Button, "关闭", ""},
        {Form1->Image2, QAccessible::Button, "一键安装", "Alt+I"},
        {Form1->bsSkinCheckRadioBox1, QAccessible::CheckBox, "阅读并同意", "Alt+A"},
        {Form1->bsSkinLinkLabel1, QAccessible::Link, "许可协议", "Alt+L"},
        {Form1->bsPngImageView1, QAccessible::Button, "展开自定义选项", "Alt+C"},
        {Form1->bsSkinLinkLabel2, QAccessible::Link, "自定义选项", "Alt+C"},
        {Form1->Edit1, QAccessible::EditableText, "安装位置", ""},
        {Form1->Button1, QAccessible::Button, "浏览", "Alt+B"},
        {Form1->bsSkinCheckRadioBox4, QAccessible::CheckBox, "生成桌面快捷方式", "Alt+D"},
        {Form1->bsSkinCheckRadioBox3, QAccessible::CheckBox, "添加到快速启动栏", "Alt+Q"},
        {Form1->bsSkinCheckRadioBox2, QAccessible::CheckBox, "开机自动启动", "Alt+S"},
    };
    for (const Expected& e : controls) {
        QAccessibleInterface* seen = testing_support::ExpectAccessible(e.control, e.role, e.name);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->state().checked, e.role == QAccessible::CheckBox) << e.name;
        // The key as the binding of the control's first action, where Orca reads it.
        QAccessibleActionInterface* actions = seen->actionInterface();
        ASSERT_NE(actions, nullptr) << e.name;
        EXPECT_EQ(actions->keyBindingsForAction(actions->actionNames().value(0)).value(0), e.key)
            << e.name;
    }
    QAccessibleInterface* box =
        QAccessible::queryAccessibleInterface(Form1->bsSkinCheckRadioBox2->AccessibleWidget());
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(Form1->bsSkinCheckRadioBox2->Checked());
    EXPECT_FALSE(box->state().checked);
    EXPECT_TRUE(box->state().checkable);
}

TEST_F(OptionsWindowTest, InstallingWithTheDefaultsWritesThePayloadAndHandsOver) {
    Click(kInstallButton);

    EXPECT_EQ(ReadLinuxFile(Linux("C:\\Program Files\\Vostrel\\Vostrel.7z")), kArchiveStandIn);
    EXPECT_EQ(ReadLinuxFile(Linux("C:\\Program Files\\Vostrel\\7z.dll")), kLibraryStandIn);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_EQ(Form2->DesktopShortcutOption, "1");
    EXPECT_EQ(Form2->QuickLaunchOption, "1");
    EXPECT_EQ(Form2->AutoStartOption, "1");
    EXPECT_EQ(Form2->InstallDir, gbk::Literal("C:\\Program Files\\Vostrel\\"));
    EXPECT_TRUE(Form2->TimerStartDownload->Enabled());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(OptionsWindowTest, WithoutTheAgreementTheInstallButtonAsksForItAndWritesNothing) {
    ClickBox(Form1->bsSkinCheckRadioBox1);
    ASSERT_FALSE(Form1->bsSkinCheckRadioBox1->Checked());
    Click(kInstallButton);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("请先阅读并同意许可协议"));
    ExpectNoHandOver();
    EXPECT_FALSE(std::filesystem::exists(Linux("C:\\Program Files\\Vostrel")));

    // Ticked again, the same button installs.
    ClickBox(Form1->bsSkinCheckRadioBox1);
    Click(kInstallButton);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(dialogs->messages.size(), 1u);
}

TEST_F(OptionsWindowTest, EachOptionBoxGivesItsOwnField) {
    Click(kToggleAtStart);
    ClickBox(Form1->bsSkinCheckRadioBox4);
    ClickBox(Form1->bsSkinCheckRadioBox2);

    Click(kInstallButton);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form2->DesktopShortcutOption, "0");
    EXPECT_EQ(Form2->QuickLaunchOption, "1");
    EXPECT_EQ(Form2->AutoStartOption, "0");

    // Quick launch alone, the other way round.
    Form1->bsSkinCheckRadioBox3->SetChecked(false);
    Form1->bsSkinCheckRadioBox4->SetChecked(true);
    Form1->bsSkinCheckRadioBox2->SetChecked(true);
    Form1->Image2Click(Form1->Image2);
    EXPECT_EQ(Form2->DesktopShortcutOption, "1");
    EXPECT_EQ(Form2->QuickLaunchOption, "0");
    EXPECT_EQ(Form2->AutoStartOption, "1");
}

TEST_F(OptionsWindowTest, TheToggleAndTheOptionsLinkExpandAndCollapseAlike) {
    const std::vector<int> atStart = BottomRow();
    EXPECT_EQ(atStart, (std::vector<int>{360, 366, 368, 368}));

    Click(kToggleAtStart);
    EXPECT_EQ(Form1->Height(), 550);
    EXPECT_EQ(window->size(), QSize(588, 550));
    EXPECT_EQ(BottomRow(), (std::vector<int>{520, 525, 525, 525}));
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 2);
    // Everything else stays where it was; the window keeps its top-left corner.
    EXPECT_EQ(Form1->bsSkinCheckRadioBox1->Left(), 8);
    EXPECT_EQ(Form1->bsPngImageView1->Left(), 488);
    EXPECT_EQ(Form1->Image2->Top(), 336);
    EXPECT_EQ(Form1->Edit1->Top(), 400);

    Click(QPoint(530, 533)); // the options link, moved down with the row
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_EQ(window->size(), QSize(588, 400));
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 0);
    std::vector<int> after = BottomRow();
    EXPECT_EQ(after, (std::vector<int>{370, 375, 375, 375}));
    for (std::size_t i = 0; i < after.size(); ++i)
        after[i] -= atStart[i];
    EXPECT_EQ(after, (std::vector<int>{10, 9, 7, 7}));

    // The link and the picture are one control's two faces: the link expands just the same.
    Click(QPoint(530, 383));
    EXPECT_EQ(Form1->Height(), 550);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 2);
}

TEST_F(OptionsWindowTest, TheLicenceLinkShowsTheProductsLicence) {
    Click(kLicenceLinkAtStart);
    ASSERT_EQ(dialogs->texts.size(), 1u);
    // The whole file, without its byte-order mark.
    const std::string licence = ReadLinuxFile(LICENCE_FILE).value_or("");
    ASSERT_TRUE(licence.starts_with("\xEF\xBB\xBFTalvimo 播放器 最终用户许可协议"));
    EXPECT_EQ(dialogs->texts[0].text, gbk::Literal(licence.substr(3)));
    EXPECT_EQ(dialogs->texts[0].caption, app->Title());
    // Reading the licence changes nothing else.
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_FALSE(Form2->Visible());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(OptionsWindowTest, TheGreenHoverPictureStaysUntilTheNextClick) {
    MovePointer(kBareBackground);
    MovePointer(kToggleAtStart);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 1);
    MovePointer(kBareBackground);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 1);

    Click(kToggleAtStart);
    EXPECT_EQ(Form1->Height(), 550);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 2);
    MovePointer(kBareBackground);
    MovePointer(QPoint(497, 533));
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 3);
    MovePointer(kBareBackground);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 3);

    Click(QPoint(497, 533));
    EXPECT_EQ(Form1->Height(), 400);
    EXPECT_EQ(Form1->bsPngImageView1->ImageIndex(), 0);
}

TEST_F(OptionsWindowTest, ABrowsedFolderGetsMervoAfterABackslash) {
    Browse("D:\\Apps");
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("D:\\Apps\\MERVO\\"));
    Browse("D:\\");
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("D:\\MERVO\\"));
    // 乗 is 0x81 0x5C in GBK: its second byte is no backslash.
    Browse("D:\\软件乗");
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("D:\\软件乗\\MERVO\\"));
    ASSERT_EQ(dialogs->browseTitles.size(), 3u);
    EXPECT_EQ(dialogs->browseTitles[0], gbk::Literal("指定目录"));
}

TEST_F(OptionsWindowTest, ACancelledOrPathlessBrowseLeavesTheFolderBox) {
    QTest::mouseClick(Form1->Button1->Widget(), Qt::LeftButton); // nothing queued: cancelled
    EXPECT_EQ(dialogs->browseTitles.size(), 1u);
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("C:\\Program Files\\Vostrel\\"));
    Browse(""); // confirmed, but the choice has no file-system path
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("C:\\Program Files\\Vostrel\\"));
}

TEST_F(OptionsWindowTest, InstallsIntoABrowsedFolderWhoseNameEndsInAGbkTrailBackslash) {
    Browse("C:\\软件乗");
    Click(kInstallButton);
    EXPECT_EQ(Form2->InstallDir, gbk::Literal("C:\\软件乗\\MERVO\\"));
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/软件乗/MERVO/Vostrel.7z"), kArchiveStandIn);
    EXPECT_EQ(ReadLinuxFile(systemRoot.DriveC() + "/软件乗/MERVO/7z.dll"), kLibraryStandIn);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(OptionsWindowTest, AnExistingFolderIsUsedAndOldPayloadFilesAreReplaced) {
    const std::string folder = systemRoot.DriveC() + "/Apps/MERVO";
    testing_support::WriteLinuxFile(folder + "/Vostrel.7z", std::string(5000, 'x'));
    testing_support::WriteLinuxFile(folder + "/7z.dll",
                                    "old library, longer than the new one.....");
    testing_support::WriteLinuxFile(folder + "/keep.txt", "untouched");
    Browse("C:\\Apps");
    Click(kInstallButton);
    EXPECT_EQ(ReadLinuxFile(folder + "/Vostrel.7z"), kArchiveStandIn);
    EXPECT_EQ(ReadLinuxFile(folder + "/7z.dll"), kLibraryStandIn);
    EXPECT_EQ(ReadLinuxFile(folder + "/keep.txt"), "untouched");
    EXPECT_EQ(Form2->InstallDir, gbk::Literal("C:\\Apps\\MERVO\\"));
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(OptionsWindowTest, AFolderThatCannotBeCreatedShowsTheSystemTextAndTheWindowStaysUsable) {
    Browse("Q:\\Apps"); // no drive Q:
    Click(kInstallButton);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, gbk::Literal("系统找不到指定的路径。"));
    EXPECT_EQ(dialogs->messages[0].caption, gbk::Literal("Talvimo安装向导"));
    EXPECT_EQ(dialogs->messages[0].flags, MB_OK);
    ExpectNoHandOver();

    // A file where a folder level should be: the system says why that level failed.
    testing_support::WriteLinuxFile(systemRoot.DriveC() + "/Blocker", "a file");
    Browse("C:\\Blocker");
    Click(kInstallButton);
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1].text, gbk::Literal("当文件已存在时，无法创建该文件。"));
    ExpectNoHandOver();
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/Blocker/MERVO"));

    // The user browses again and the install goes ahead.
    Browse("C:\\Apps");
    Click(kInstallButton);
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form2->InstallDir, gbk::Literal("C:\\Apps\\MERVO\\"));
}

// The root of a drive or of a file system is refused in a box, and so is a system root that
// cannot be used, with its reason; the window stays for another choice.
TEST_F(OptionsWindowTest, ARootFolderOrAnUnusableSystemRootIsRefusedAndTheWindowStays) {
    for (const char* folder : {"C:\\", "Z:\\", "Z:\\dev\\shm\\", "C:\\Apps\\..\\"}) {
        Form1->Edit1->SetText(folder);
        Click(kInstallButton);
        ASSERT_FALSE(dialogs->messages.empty()) << folder;
        EXPECT_EQ(dialogs->messages.back().text,
                  gbk::Literal("不能安装到驱动器或文件系统的根目录 ") + folder +
                      gbk::Literal("，请在其中另选或新建一个文件夹。"));
        ExpectNoHandOver();
    }
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/Vostrel.7z"));

    setenv("WINEARCH", "win16", 1);
    winapi::ResetSystemRoot();
    Form1->Edit1->SetText("C:\\Apps\\");
    Click(kInstallButton);
    unsetenv("WINEARCH");
    EXPECT_EQ(dialogs->messages.back().text,
              gbk::Literal("无法使用系统根目录 " + systemRoot.Root() +
                           "：WINEARCH=win16 无效，只能是 win32 或 win64。"));
    ExpectNoHandOver();

    // Chosen again, a folder inside the drive installs.
    winapi::ResetSystemRoot();
    Click(kInstallButton);
    EXPECT_TRUE(Form2->Visible());
}

TEST_F(OptionsWindowTest, APayloadFileThatCannotBeWrittenStopsInTheOptionsWindow) {
    // A folder named like the archive cannot be replaced: the error box, no hand-over, no
    // library written after it and no temporary file left.
    std::filesystem::create_directories(Linux("C:\\Program Files\\Vostrel\\Vostrel.7z"));
    Click(kInstallButton);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(
        dialogs->messages[0].text,
        gbk::Literal("Cannot create file \"C:\\Program Files\\Vostrel\\Vostrel.7z\". 拒绝访问。"));
    EXPECT_FALSE(std::filesystem::exists(Linux("C:\\Program Files\\Vostrel\\7z.dll")));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(Linux("C:\\Program Files\\Vostrel")),
                      std::filesystem::directory_iterator()),
        1);
    EXPECT_FALSE(Form2->Visible());
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(Form2->TimerStartDownload->Enabled());
}

TEST_F(OptionsWindowTest, CloseEndsTheProgramAtOnceAndWritesNothing) {
    Click(kToggleAtStart);
    QTimer::singleShot(0, [this] { Click(QPoint(578, 10)); });
    QTimer::singleShot(2000, [] { Application->Terminate(); });
    QElapsedTimer clock;
    clock.start();
    Application->Run();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(dialogs->messages.empty());
    // Not even the system root was made (only the install action makes it), nor anything in
    // the home folder.
    EXPECT_FALSE(std::filesystem::exists(systemRoot.Root()));
    EXPECT_TRUE(!std::filesystem::exists(systemRoot.Home()) ||
                std::filesystem::is_empty(systemRoot.Home()));
    EXPECT_EQ(Form2->InstallDir, "");
    EXPECT_FALSE(Form2->Visible());
}

// A system whose shell cannot name the programs folder still gets a usable default.
TEST(OptionsWindowWithoutSystemRoot, FallsBackToTheUsualProgramsFolder) {
    testing_support::TempSystemRoot root;
    setenv("WINEPREFIX", "relative/prefix", 1);
    winapi::ResetSystemRoot();
    testing_support::EnsureQtApplication();
    {
        TApplication app(g_argc, g_argv);
        auto scripted = std::make_unique<ScriptedDialogService>();
        ScriptedDialogService* dialogs = scripted.get();
        app.SetDialogs(std::move(scripted));
        CreateSetupWindows();
        EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), "");
        EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("C:\\Program Files\\Vostrel\\"));
        // Installing there says why the root cannot be used, not that another install runs.
        Form1->Image2Click(Form1->Image2);
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text,
                  gbk::Literal("无法使用系统根目录 relative/prefix：WINEPREFIX 必须是绝对路径。"));
        EXPECT_FALSE(app.Terminated());
    }
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
}

} // namespace

// One install per system root: while another process holds the root, the install action says
// so and ends without writing anything.
TEST_F(OptionsWindowTest, ASecondInstallerOnTheSameSystemRootWritesNothing) {
    const std::string root = *winapi::SystemRootPath();
    const int other = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    Form1->Edit1->SetText("C:\\Second\\");
    Form1->Image2Click(Form1->Image2);
    close(other);

    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text,
              gbk::Literal("另一个Talvimo安装程序正在运行，请等它结束后再试。"));
    EXPECT_TRUE(app->Terminated());
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/Second"));
    ExpectNoInstallHandedOver();

    // Once the other one has ended, this process takes the lock, and keeps it.
    EXPECT_TRUE(TryLockInstall());
    EXPECT_TRUE(TryLockInstall());
    const int third = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_NE(flock(third, LOCK_EX | LOCK_NB), 0);
    close(third);
    // An install the test left part-way is undone, as the program would at its end.
    InstallTransaction().Rollback();
    UnlockInstall();
}
