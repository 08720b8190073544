// The switches given to a run with windows: the options window starts with their choices, and
// its install action takes them as if the user had made them.
#include "InstallerWindows.h"

#include "setup/CommandLine.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"
#include "setup/StartUp.h"

#include "winapi/Gbk.h"

#include <filesystem>

namespace {

using SwitchStartingValues = testing_support::InstallerWindowsTest;

TEST_F(SwitchStartingValues, TheFolderAndTheNoSwitchesAreTheOptionsWindowsChoices) {
    TakeSwitchesAsStartingValues(
        ParseCommandLine({"/DIR=C:\\Apps\\Talvimo", "/NODESKTOPICON", "/NOAUTOSTART"}));
    EXPECT_EQ(Form1->Edit1->Text(), "C:\\Apps\\Talvimo\\");
    EXPECT_FALSE(Form1->bsSkinCheckRadioBox4->Checked());
    EXPECT_TRUE(Form1->bsSkinCheckRadioBox3->Checked());
    EXPECT_FALSE(Form1->bsSkinCheckRadioBox2->Checked());
    EXPECT_TRUE(Form1->bsSkinCheckRadioBox1->Checked()); // the agreement is the user's

    Form1->Show();
    Form1->Image2Click(Form1->Image2);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(Form2->InstallDir, "C:\\Apps\\Talvimo\\");
    EXPECT_TRUE(std::filesystem::exists(systemRoot.LinuxPath("C:\\Apps\\Talvimo\\Vostrel.7z")));
    EXPECT_EQ(Form2->DesktopShortcutOption, "0");
    EXPECT_EQ(Form2->QuickLaunchOption, "1");
    EXPECT_EQ(Form2->AutoStartOption, "0");
}

// Without switches the program behaves as it always has.
TEST_F(SwitchStartingValues, WithoutSwitchesTheWindowKeepsItsDefaults) {
    TakeSwitchesAsStartingValues(ParseCommandLine({}));
    EXPECT_EQ(Form1->Edit1->Text(), gbk::Literal("C:\\Program Files\\Vostrel\\"));
    for (const TbsSkinCheckRadioBox* box :
         {Form1->bsSkinCheckRadioBox4, Form1->bsSkinCheckRadioBox3, Form1->bsSkinCheckRadioBox2})
        EXPECT_TRUE(box->Checked()) << box->Name();
}

} // namespace
