#include "support/GbkText.h"
#include "support/InstalledProduct.h"
#include "support/LnkInfo.h"
#include "support/QtTestApplication.h"
#include "support/TempSystemRoot.h"
#include "support/VersionPe.h"

#include "rtl/ComObj.h"
#include "rtl/Registry.h"
#include "setup/ProductInfo.h"
#include "setup/ProgressWindow.h"
#include "setup/ShellIntegration.h"

#include "winapi/Gbk.h"
#include "winapi/RegistryFile.h"
#include "winapi/ShellLink.h"
#include "winapi/SystemRoot.h"
#include "winapi/ole32.h"
#include "winapi/shell32.h"

#include <filesystem>

namespace fs = std::filesystem;
using testing_support::DesktopLink;
using testing_support::GbkText;
using testing_support::LnkField;
using testing_support::LnkInfo;
using testing_support::QuickLaunchFolder;
using testing_support::QuickLaunchLink;
using testing_support::ReadLinuxFile;
using testing_support::StartMenuFolder;
using testing_support::StartMenuLink;
using testing_support::VersionedPe;
using testing_support::WriteLinuxFile;

namespace {

const AnsiString kInstallDir = "C:\\Program Files\\Vostrel\\";

// The product links made by a progress window holding these options.
void CreateProductShortcutsWith(const AnsiString& desktopOption,
                                const AnsiString& quickLaunchOption) {
    testing_support::EnsureQtApplication();
    TForm2 progressWindow(nullptr);
    progressWindow.InstallDir = kInstallDir;
    progressWindow.DesktopShortcutOption = desktopOption;
    progressWindow.QuickLaunchOption = quickLaunchOption;
    progressWindow.CreateProductShortcuts();
}

class ShellIntegration : public testing_support::SystemRootTest {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    std::string RegistryPath() { return *winapi::SystemRootPath() + "/system.reg"; }
    std::string RegistryText() { return ReadLinuxFile(RegistryPath()).value_or(""); }
};

TEST_F(ShellIntegration, ProductLinksPointToTheMainProgram) {
    CreateProductShortcutsWith("1", "1");
    for (const std::string& link : {DesktopLink(), QuickLaunchLink(), StartMenuLink()}) {
        const std::string info = LnkInfo(link);
        EXPECT_EQ(LnkField(info, "Local path"), "C:\\Program Files\\Vostrel\\mervo.exe") << link;
        EXPECT_EQ(LnkField(info, "Working directory"), "C:\\Program Files\\Vostrel\\") << link;
        EXPECT_EQ(LnkField(info, "Description"), "Talvimo") << link;
        EXPECT_EQ(LnkField(info, "Icon location"), "C:\\Program Files\\Vostrel\\mervo.exe");
        EXPECT_EQ(LnkField(info, "Icon index"), "0");
    }
}

TEST_F(ShellIntegration, OnlyAnOptionOfExactlyOneMakesItsLink) {
    for (const AnsiString option : {"0", "", " 1", "1 ", "yes", "11"}) {
        CreateProductShortcutsWith(option, option);
        EXPECT_FALSE(fs::exists(DesktopLink())) << option;
        EXPECT_FALSE(fs::exists(QuickLaunchLink())) << option;
        EXPECT_TRUE(fs::exists(StartMenuLink())) << option; // the folder is reused after the first
    }
    CreateProductShortcutsWith("1", "0");
    EXPECT_TRUE(fs::exists(DesktopLink()));
    EXPECT_FALSE(fs::exists(QuickLaunchLink()));
}

TEST_F(ShellIntegration, AMissingQuickLaunchFolderIsNotCreated) {
    const std::string quickLaunchFolder = QuickLaunchFolder();
    fs::remove_all(quickLaunchFolder);
    CreateProductShortcutsWith("0", "1");
    EXPECT_FALSE(fs::exists(quickLaunchFolder));
    EXPECT_TRUE(fs::exists(StartMenuLink()));
}

TEST_F(ShellIntegration, AStartMenuFolderThatCannotBeMadeRaisesAfterTheOtherLinks) {
    WriteLinuxFile(StartMenuFolder(), "a file where the folder should be");
    try {
        CreateProductShortcutsWith("1", "1");
        FAIL() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message().rfind(GbkText("无法创建文件夹 "), 0), 0u) << error.Message();
        EXPECT_NE(error.Message().find("\\Talvimo\\"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(DesktopLink()));
    EXPECT_TRUE(fs::exists(QuickLaunchLink()));
    EXPECT_TRUE(fs::is_regular_file(StartMenuFolder()));
}

TEST_F(ShellIntegration, TheUninstallLinkGoesIntoTheProductFolder) {
    const std::wstring name = L"Talvimo\\卸载";
    // Without the product folder the link is silently not made.
    CreateShortcut(kInstallDir + "UnInstall.exe", CSIDL_PROGRAMS, name);
    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    CreateProductShortcutsWith("0", "0");
    CreateShortcut(kInstallDir + "UnInstall.exe", CSIDL_PROGRAMS, name);
    const std::string info = LnkInfo(StartMenuFolder() + "/卸载.lnk");
    EXPECT_EQ(LnkField(info, "Local path"), "C:\\Program Files\\Vostrel\\UnInstall.exe") << info;
    EXPECT_EQ(LnkField(info, "Working directory"), "C:\\Program Files\\Vostrel\\");
    EXPECT_EQ(LnkField(info, "Description"), "<none>");
}

// A link object that answers IShellLinkA but not IPersistFile.
class LinkWithoutPersistFile final : public IShellLinkA {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (!(iid == IID_IUnknown || iid == IID_IShellLinkA))
            return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        const ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT SetDescription(LPCSTR) override { return S_OK; }
    HRESULT SetWorkingDirectory(LPCSTR) override { return S_OK; }
    HRESULT SetIconLocation(LPCSTR, int) override { return S_OK; }
    HRESULT SetPath(LPCSTR) override { return S_OK; }
    ULONG references = 1;
};

// CoInitialize answers S_FALSE while COM is already on; the probe undoes its own call.
bool ComIsInitialised() {
    const bool on = CoInitialize(nullptr) == S_FALSE;
    CoUninitialize();
    return on;
}

TEST_F(ShellIntegration, AMissingInterfaceOrLinkObjectRaises) {
    winapi::OverrideComClass(CLSID_ShellLink, [] { return new LinkWithoutPersistFile; });
    EXPECT_THROW(
        {
            try {
                CreateProductShortcutsWith("1", "1");
            } catch (const EIntfCastError& error) {
                EXPECT_EQ(error.Message(), "Interface not supported");
                throw;
            }
        },
        EIntfCastError);
    winapi::OverrideComClass(CLSID_ShellLink, nullptr);
    EXPECT_FALSE(fs::exists(StartMenuFolder()));

    // COM not initialised: the object cannot be made. Earlier tests in this process may have
    // switched COM on more than once, so it is switched off as often as it is on.
    int depth = 0;
    for (; ComIsInitialised(); ++depth)
        CoUninitialize();
    try {
        CreateShortcut(kInstallDir + "UnInstall.exe", CSIDL_PROGRAMS, L"x");
        ADD_FAILURE() << "no error raised";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.ErrorCode(), CO_E_NOTINITIALIZED);
        EXPECT_FALSE(error.Message().empty());
    }
    for (; depth > 0; --depth)
        CoInitialize(nullptr);
}

TEST(AutoRunValueName, TheFileNameUpToItsFirstDot) {
    EXPECT_EQ(AutoRunValueName(kInstallDir + "mervo.exe Minimize"), "mervo");
    EXPECT_EQ(AutoRunValueName("C:\\my.app\\tool"), "");
    EXPECT_EQ(AutoRunValueName("D:mervo.exe"), "mervo");
    EXPECT_EQ(AutoRunValueName("mervo.tar.gz"), "mervo");
    EXPECT_EQ(AutoRunValueName("C:\\a\\.hidden"), "");
    EXPECT_EQ(AutoRunValueName(""), "");
    // The second byte of 淺 is 0x5C and no separator.
    EXPECT_EQ(AutoRunValueName(GbkText("C:\\淺.exe")), GbkText("淺"));
}

// Windows takes a quoted run as the program, so only the program's path is quoted.
TEST(AutoRunCommandLine, QuotesTheProgramAndLeavesTheArgumentsAfterIt) {
    EXPECT_EQ(AutoRunCommandLine(kInstallDir + "mervo.exe Minimize"),
              "\"C:\\Program Files\\Vostrel\\mervo.exe\" Minimize");
    EXPECT_EQ(AutoRunCommandLine("C:\\My Apps\\mervo.exe"), "\"C:\\My Apps\\mervo.exe\"");
    EXPECT_EQ(AutoRunCommandLine("D:mervo.exe /a /b"), "\"D:mervo.exe\" /a /b");
    // "淺" ends in byte 0x5C: it is not taken for a separator, so "淺x" stays an argument.
    EXPECT_EQ(AutoRunCommandLine(GbkText("C:\\p.exe 淺x")), GbkText("\"C:\\p.exe\" 淺x"));
}

TEST_F(ShellIntegration, TheStartWithWindowsValueIsWrittenAndDeleted) {
    const AnsiString command = kInstallDir + "mervo.exe Minimize";
    EXPECT_TRUE(SetAutoRun(command, true));
    EXPECT_NE(
        RegistryText().find("\n\"mervo\"=\"\\\"C:\\\\Program Files\\\\Vostrel\\\\mervo.exe\\\" "
                            "Minimize\"\n"),
        std::string::npos)
        << RegistryText();
    EXPECT_TRUE(SetAutoRun(command, false));
    EXPECT_EQ(RegistryText().find("\"mervo\""), std::string::npos);
    // Deleting what is not there is no failure; a command without a dot names the default value.
    EXPECT_TRUE(SetAutoRun(command, false));
    EXPECT_TRUE(SetAutoRun("C:\\tool Minimize", true));
    EXPECT_NE(RegistryText().find("\n@=\"\\\"C:\\\\tool\\\" Minimize\"\n"), std::string::npos);
}

TEST_F(ShellIntegration, RegistryFailuresAreReportedAsFalse) {
    const std::string damaged = "WINE REGISTRY Version 2\n[Software] 1\n\"cut\"=\"\n";
    WriteLinuxFile(RegistryPath(), damaged);
    EXPECT_FALSE(SetAutoRun(kInstallDir + "mervo.exe Minimize", true));
    EXPECT_FALSE(WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe"));
    EXPECT_EQ(RegistryText(), damaged);
}

TEST_F(ShellIntegration, TheUninstallEntryHoldsTheWorkedExampleInOrder) {
    WriteLinuxFile(systemRoot.LinuxPath(kInstallDir + "mervo.exe"), VersionedPe(10, 0, 0, 12));
    ASSERT_TRUE(WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe"));
    ASSERT_TRUE(SetAutoRun(kInstallDir + "mervo.exe Minimize", true));
    const std::string text = RegistryText();
    const std::string block = "\"DisplayName\"=\"Talvimo\"\n"
                              "\"UninstallString\"=\"\\\"C:\\\\\\\\Program Files\\\\\\\\Vostrel"
                              "\\\\\\\\UnInstall.exe\\\"\"\n"
                              "\"DisplayIcon\"=\"\\\"C:\\\\\\\\Program Files\\\\\\\\Vostrel"
                              "\\\\\\\\mervo.exe\\\"\"\n"
                              "\"DisplayVersion\"=\"10.0.0.12\"\n"
                              "\"URLInfoAbout\"=\"https://www.talvimo.com/\"\n"
                              "\"URLUpdateInfo\"=\"https://www.talvimo.com/\"\n"
                              "\"Publisher\"=\"Talvimo \\x7f51\\x7edc\\x79d1\\x6280\\x6709\\x9650"
                              "\\x516c\\x53f8\"\n";
    const size_t key =
        text.find("[SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Talvimo] ");
    ASSERT_NE(key, std::string::npos) << text;
    EXPECT_EQ(text.find(block), text.find("\n", text.find("#time=", key)) + 1) << text;
    EXPECT_NE(text.find("[SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] "),
              std::string::npos);
    EXPECT_NE(text.find("\"mervo\"=\"\\\"C:\\\\Program Files\\\\Vostrel\\\\mervo.exe\\\" "
                        "Minimize\"\n"),
              std::string::npos);
    // What the strings hold, read back as Unicode.
    auto file = winapi::ReadRegistryFile(RegistryPath());
    ASSERT_TRUE(file);
    auto publisher = file->GetValue(
        u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo", u"Publisher");
    ASSERT_TRUE(publisher);
    EXPECT_EQ(publisher->data, winapi::RegistryString(u"Talvimo 网络科技有限公司"));
}

TEST_F(ShellIntegration, AProgramWithoutVersionGetsTheFallbackVersion) {
    const AnsiString folder = GbkText("C:\\淺\\");
    ASSERT_TRUE(WriteUninstallEntry(folder + "UnInstall.exe", folder + "mervo.exe"));
    const std::string text = RegistryText();
    EXPECT_NE(text.find("\"DisplayVersion\"=\"1.0.0.1\"\n"), std::string::npos) << text;
    // Only real backslashes are doubled: 淺 keeps its 0x5C byte as it is.
    EXPECT_NE(text.find("\"DisplayIcon\"=\"\\\"C:\\\\\\\\\\x6dfa\\\\\\\\mervo.exe\\\"\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"URLUpdateInfo\"=\"https://www.talvimo.com/\"\n"), std::string::npos);
}

TEST_F(ShellIntegration, FileVersionsAreFourPlainNumbers) {
    auto place = [&](const std::string& bytes) {
        WriteLinuxFile(systemRoot.DriveC() + "/program.exe", bytes);
        return AnsiString("C:\\program.exe");
    };
    EXPECT_EQ(GetFileVersionString(place(VersionedPe(1, 2, 3, 4))), "1.2.3.4");
    EXPECT_EQ(GetFileVersionString(place(VersionedPe(10, 0, 0, 12))), "10.0.0.12");
    EXPECT_EQ(GetFileVersionString(place(VersionedPe(65535, 0, 65535, 0))), "65535.0.65535.0");
    EXPECT_THROW(GetFileVersionString(place(VersionedPe(1, 2, 3, 4, {.withVersion = false}))),
                 Exception);
    EXPECT_THROW(GetFileVersionString(place("plain text")), Exception);
    EXPECT_THROW(GetFileVersionString("C:\\missing.exe"), Exception);
}

#ifdef PRODUCT_DIR
TEST_F(ShellIntegration, ThePayloadsMainProgramHasItsVersion) {
    const std::string product = std::string(PRODUCT_DIR) + "/mervo.exe";
    ASSERT_TRUE(fs::exists(product)) << product;
    EXPECT_EQ(GetFileVersionString(*winapi::ToWindowsPath(product)), "3.5.0.61");
}
#endif

TEST_F(ShellIntegration, TheRegistryObjectWordsItsErrors) {
    TRegistry registry;
    try {
        registry.WriteString("Name", "x"); // no key open
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'Name'");
    }
    WriteLinuxFile(RegistryPath(), "damaged");
    try {
        registry.CreateKey("SOFTWARE\\Talvimo");
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to create key SOFTWARE\\Talvimo");
    }
    EXPECT_FALSE(registry.OpenKey("SOFTWARE\\Talvimo", true));
    fs::remove(RegistryPath());
    // Keys open relative to the current one, or to the root with a leading backslash.
    EXPECT_FALSE(registry.OpenKey("SOFTWARE", false));
    EXPECT_TRUE(registry.OpenKey("SOFTWARE", true));
    EXPECT_TRUE(registry.OpenKey("Talvimo", true));
    EXPECT_EQ(registry.CurrentPath(), "SOFTWARE\\Talvimo");
    EXPECT_TRUE(registry.OpenKey("\\SOFTWARE", false));
    EXPECT_EQ(registry.CurrentPath(), "SOFTWARE");
    registry.WriteString("A", "b");
    EXPECT_TRUE(registry.DeleteValue("a"));
    EXPECT_FALSE(registry.DeleteValue("a"));
}

} // namespace
