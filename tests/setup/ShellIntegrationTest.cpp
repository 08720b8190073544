#include "support/InstalledProduct.h"
#include "support/LnkInfo.h"
#include "support/QuietShell.h"
#include "support/RaisedMessage.h"
#include "support/TempSystemRoot.h"
#include "support/VersionPe.h"
#include "winapi/Gbk.h"

#include "rtl/ComObj.h"
#include "rtl/Registry.h"
#include "rtl/SysErrorMessage.h"
#include "setup/DesktopLaunchers.h"
#include "setup/InstalledItems.h"
#include "setup/LauncherFiles.h"
#include "setup/ProductInfo.h"
#include "setup/ProgramIcon.h"
#include "setup/ShellIntegration.h"

#include "winapi/Gbk.h"
#include "winapi/RegistryFile.h"
#include "winapi/RegistryStore.h"
#include "winapi/ShellLink.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"
#include "winapi/ole32.h"
#include "winapi/shell32.h"

#include <QBuffer>
#include <QImage>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <strings.h>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::DesktopLink;
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

// The product links made for an install with these choices.
void CreateProductShortcutsWith(bool desktop, bool quickLaunch) {
    CreateProductShortcuts({kInstallDir, desktop, quickLaunch, true});
}

class ShellIntegration : public testing_support::SystemRootTest {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    std::string RegistryPath() { return *winapi::SystemRootPath() + "/system.reg"; }
    std::string RegistryText() { return ReadLinuxFile(RegistryPath()).value_or(""); }
};

TEST_F(ShellIntegration, ProductLinksPointToTheMainProgram) {
    fs::create_directories(QuickLaunchFolder());
    CreateProductShortcutsWith(true, true);
    for (const std::string& link : {DesktopLink(), QuickLaunchLink(), StartMenuLink()}) {
        const std::string info = LnkInfo(link);
        EXPECT_EQ(LnkField(info, "Local path"), "C:\\Program Files\\Vostrel\\mervo.exe") << link;
        EXPECT_EQ(LnkField(info, "Working directory"), "C:\\Program Files\\Vostrel\\") << link;
        EXPECT_EQ(LnkField(info, "Description"), "Talvimo") << link;
        EXPECT_EQ(LnkField(info, "Icon location"), "C:\\Program Files\\Vostrel\\mervo.exe");
        EXPECT_EQ(LnkField(info, "Icon index"), "0");
    }
}

TEST_F(ShellIntegration, EachChoiceMakesOnlyItsOwnLink) {
    fs::create_directories(QuickLaunchFolder());
    for (int pass = 0; pass < 2; ++pass) {
        CreateProductShortcutsWith(false, false);
        EXPECT_FALSE(fs::exists(DesktopLink()));
        EXPECT_FALSE(fs::exists(QuickLaunchLink()));
        EXPECT_TRUE(fs::exists(StartMenuLink())) << pass; // the folder is reused the second time
    }
    CreateProductShortcutsWith(false, true);
    EXPECT_FALSE(fs::exists(DesktopLink()));
    EXPECT_TRUE(fs::exists(QuickLaunchLink()));
    fs::remove(QuickLaunchLink());
    CreateProductShortcutsWith(true, false);
    EXPECT_TRUE(fs::exists(DesktopLink()));
    EXPECT_FALSE(fs::exists(QuickLaunchLink()));
}

TEST_F(ShellIntegration, AMissingQuickLaunchFolderIsNotCreated) {
    const std::string quickLaunchFolder = QuickLaunchFolder();
    fs::remove_all(quickLaunchFolder);
    CreateProductShortcutsWith(false, true);
    EXPECT_FALSE(fs::exists(quickLaunchFolder));
    EXPECT_TRUE(fs::exists(StartMenuLink()));
}

TEST_F(ShellIntegration, AStartMenuFolderThatCannotBeMadeRaisesAfterTheOtherLinks) {
    fs::create_directories(QuickLaunchFolder());
    WriteLinuxFile(StartMenuFolder(), "a file where the folder should be");
    try {
        CreateProductShortcutsWith(true, true);
        FAIL() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message().rfind(gbk::Literal("无法创建文件夹 "), 0), 0u) << error.Message();
        EXPECT_NE(error.Message().find("\\Talvimo\\"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(DesktopLink()));
    EXPECT_TRUE(fs::exists(QuickLaunchLink()));
    EXPECT_TRUE(fs::is_regular_file(StartMenuFolder()));
}

TEST_F(ShellIntegration, TheUninstallLinkGoesIntoTheProductFolder) {
    const std::wstring name = L"Talvimo\\卸载";
    // Without the product folder the link cannot be saved, and that is an error.
    try {
        CreateShortcut(kInstallDir + "UnInstall.exe", CSIDL_PROGRAMS, name);
        ADD_FAILURE() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), gbk::Literal("无法创建快捷方式 ") +
                                       SpecialFolder(CSIDL_PROGRAMS) +
                                       gbk::Literal("\\Talvimo\\卸载.lnk: ") +
                                       SysErrorMessage(ERROR_PATH_NOT_FOUND));
    }
    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    CreateProductShortcutsWith(false, false);
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
                CreateProductShortcutsWith(true, true);
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
    EXPECT_EQ(AutoRunValueName(gbk::Literal("C:\\淺.exe")), gbk::Literal("淺"));
}

// Windows takes a quoted run as the program, so only the program's path is quoted.
TEST(AutoRunCommandLine, QuotesTheProgramAndLeavesTheArgumentsAfterIt) {
    EXPECT_EQ(AutoRunCommandLine(kInstallDir + "mervo.exe Minimize"),
              "\"C:\\Program Files\\Vostrel\\mervo.exe\" Minimize");
    EXPECT_EQ(AutoRunCommandLine("C:\\My Apps\\mervo.exe"), "\"C:\\My Apps\\mervo.exe\"");
    EXPECT_EQ(AutoRunCommandLine("D:mervo.exe /a /b"), "\"D:mervo.exe\" /a /b");
    // "淺" ends in byte 0x5C: it is not taken for a separator, so "淺x" stays an argument.
    EXPECT_EQ(AutoRunCommandLine(gbk::Literal("C:\\p.exe 淺x")), gbk::Literal("\"C:\\p.exe\" 淺x"));
}

TEST_F(ShellIntegration, TheStartWithWindowsValueIsWrittenAndDeleted) {
    const AnsiString command = kInstallDir + "mervo.exe Minimize";
    SetAutoRun(command, true);
    EXPECT_NE(
        RegistryText().find("\n\"mervo\"=\"\\\"C:\\\\Program Files\\\\Vostrel\\\\mervo.exe\\\" "
                            "Minimize\"\n"),
        std::string::npos)
        << RegistryText();
    SetAutoRun(command, false);
    EXPECT_EQ(RegistryText().find("\"mervo\""), std::string::npos);
    // Deleting what is not there is no failure; a command without a dot names the default value.
    SetAutoRun(command, false);
    SetAutoRun("C:\\tool Minimize", true);
    EXPECT_NE(RegistryText().find("\n@=\"\\\"C:\\\\tool\\\" Minimize\"\n"), std::string::npos);
}

// A damaged registry file fails every registry step with the system's text, written and
// deleting alike, and the file is left as it was.
TEST_F(ShellIntegration, RegistryFailuresRaiseWithTheSystemsText) {
    const std::string damaged = "WINE REGISTRY Version 2\n[Software] 1\n\"cut\"=\"\n";
    WriteLinuxFile(RegistryPath(), damaged);
    auto message = [](auto step) { return testing_support::RaisedMessage(step); };
    const AnsiString reason = SysErrorMessage(ERROR_BADDB);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(message([] { SetAutoRun(kInstallDir + "mervo.exe Minimize", true); }),
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run: " + reason);
    EXPECT_EQ(message([] { SetAutoRun(kInstallDir + "mervo.exe Minimize", false); }),
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run: " + reason);
    EXPECT_EQ(message([] {
                  WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe");
              }),
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo: " + reason);
    EXPECT_EQ(RegistryText(), damaged);
}

// With a Wine server running, the values reach Wine only when their key is closed. A hand-over
// that fails there fails the step, with the reason, instead of passing unseen.
TEST_F(ShellIntegration, AHandOverToARunningWineThatFailsFailsTheStep) {
    ASSERT_EQ(testing_support::QuietShell("wine wineboot -i"), 0);
    testing_support::QuietShell("wineserver -w");
    ASSERT_EQ(testing_support::QuietShell("wineserver -p"), 0);
    const std::string savedPath = std::getenv("PATH");
    const std::string noWine = systemRoot.Folder() + "/no-wine";
    std::filesystem::create_directories(noWine);
    setenv("PATH", noWine.c_str(), 1);
    auto message = [](auto step) { return testing_support::RaisedMessage(step); };
    const std::string autoRun =
        message([] { SetAutoRun(kInstallDir + "mervo.exe Minimize", true); });
    const std::string entry = message(
        [] { WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe"); });
    setenv("PATH", savedPath.c_str(), 1);
    const std::string uninstallQuery = testing_support::QuietShellOutput(
        "wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo'");
    testing_support::QuietShell("wineserver -k");
    testing_support::QuietShell("wineserver -w");
    if (auto name = ReadLinuxFile(systemRoot.Root() + "/wineserver"); name && !name->empty())
        testing_support::RemoveTree("/tmp/" + *name);

    const AnsiString reason = SysErrorMessage(ERROR_REGISTRY_IO_FAILED);
    ASSERT_FALSE(reason.empty());
    EXPECT_EQ(autoRun, gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run: " + reason);
    EXPECT_EQ(entry,
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo: " + reason);
    EXPECT_EQ(uninstallQuery.find("Talvimo"), std::string::npos) << uninstallQuery;
}

TEST_F(ShellIntegration, TheUninstallEntryHoldsTheWorkedExampleInOrder) {
    WriteLinuxFile(systemRoot.LinuxPath(kInstallDir + "mervo.exe"), VersionedPe(10, 0, 0, 12));
    WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe");
    SetAutoRun(kInstallDir + "mervo.exe Minimize", true);
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
                              "\\x516c\\x53f8\"\n"
                              "\"InstallLocation\"=\"C:\\\\Program Files\\\\Vostrel\\\\\"\n"
                              "\"EstimatedSize\"=dword:00000001\n"
                              "\"NoModify\"=dword:00000001\n"
                              "\"NoRepair\"=dword:00000001\n";
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
    const AnsiString folder = gbk::Literal("C:\\淺\\");
    WriteUninstallEntry(folder + "UnInstall.exe", folder + "mervo.exe");
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

namespace {

using testing_support::IconImage;
using testing_support::SquarePng;

// desktop-file-validate's complaints about a launcher; empty when it is valid.
std::string ValidationErrors(const std::string& file) {
    const std::string command = "desktop-file-validate '" + file + "' 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "cannot run desktop-file-validate";
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    const int status = pclose(pipe);
    return status == 0 && output.empty() ? "" : output.empty() ? "exit status" : output;
}

class Launchers : public ShellIntegration {
protected:
    void SetUp() override {
        ShellIntegration::SetUp();
        InstalledItems().Clear();
    }
    void TearDown() override {
        InstalledItems().Clear();
        ShellIntegration::TearDown();
    }
    std::string DataHome() { return systemRoot.Home() + "/.local/share"; }
    // Launcher and icon names end in the root's tag.
    std::string Tagged(const std::string& name) { return name + "-" + LauncherRootTag(); }
    std::string MenuLauncher() {
        return DataHome() + "/applications/wine/Programs/Talvimo/" + Tagged("Talvimo") + ".desktop";
    }
    std::string UninstallLauncher() {
        return DataHome() + "/applications/wine/Programs/Talvimo/" + Tagged("卸载") + ".desktop";
    }
    std::string DesktopLauncher() {
        return systemRoot.Home() + "/Desktop/" + Tagged("Talvimo") + ".desktop";
    }
    std::string MenuFile(const std::string& id) {
        return systemRoot.Home() + "/.config/menus/applications-merged/wine-Programs-Talvimo-" +
               Tagged(id) + ".menu";
    }
    std::string Icon(unsigned size) {
        const std::string side = std::to_string(size);
        return DataHome() + "/icons/hicolor/" + side + "x" + side + "/apps/" + Tagged("talvimo") +
               ".png";
    }
    void PlaceProductWithIcon() {
        WriteLinuxFile(
            systemRoot.LinuxPath(kInstallDir + "mervo.exe"),
            VersionedPe(
                3, 5, 0, 61,
                {.pe32Plus = true,
                 .icons = {{16, SquarePng(16)}, {48, SquarePng(48)}, {256, SquarePng(256)}}}));
    }
    std::string Exec() {
        return "env \"WINEPREFIX=" + systemRoot.Root() +
               "\" wine \"C:\\\\\\\\Program Files\\\\\\\\Vostrel\\\\\\\\mervo.exe\"";
    }
    bool Recorded(TInstalledItems::Kind kind, const std::string& linuxPath) {
        AnsiString windowsPath = "Z:" + linuxPath;
        std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
        if (auto gbkPath = gbk::FromUtf8(windowsPath))
            windowsPath = *gbkPath;
        for (const auto& item : InstalledItems().Items())
            if (item.kind == kind && item.path == windowsPath)
                return true;
        return false;
    }
};

// What a menu file says: the names of its menus in the order they open, their .directory
// files, the desktop-file ids the innermost includes, and any XML error.
struct MenuNesting {
    std::vector<std::string> names;
    std::vector<std::string> directories;
    std::vector<std::string> included;
    std::string error;
};

MenuNesting ReadMenuNesting(const std::string& path) {
    MenuNesting nesting;
    QXmlStreamReader reader(QByteArray::fromStdString(ReadLinuxFile(path).value_or("")));
    QStringList open;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            open.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.name().toString();
        const QString parent = open.isEmpty() ? QString() : open.last();
        if (name != u"Name" && name != u"Directory" && name != u"Filename") {
            open.append(name);
            continue;
        }
        const std::string text = reader.readElementText().toStdString(); // reads its end too
        if (name == u"Name" && parent == u"Menu")
            nesting.names.push_back(text);
        else if (name == u"Directory" && parent == u"Menu")
            nesting.directories.push_back(text);
        else if (name == u"Filename" && parent == u"Include")
            nesting.included.push_back(text);
    }
    if (reader.hasError())
        nesting.error = reader.errorString().toStdString();
    return nesting;
}

TEST_F(Launchers, EachStartMenuAndDesktopLinkGetsAValidLauncherWithTheProductsIcon) {
    PlaceProductWithIcon();
    CreateProductShortcutsWith(true, false);
    CreateShortcut(kInstallDir + "UnInstall.exe", CSIDL_PROGRAMS, L"Talvimo\\卸载");

    for (const std::string& launcher : {MenuLauncher(), UninstallLauncher(), DesktopLauncher()})
        EXPECT_EQ(ValidationErrors(launcher), "") << launcher;
    EXPECT_EQ(ReadLinuxFile(MenuLauncher()),
              "[Desktop Entry]\nType=Application\nName=Talvimo\nExec=" + Exec() + "\nPath=" +
                  systemRoot.DriveC() + "/Program Files/Vostrel\nIcon=" + Tagged("talvimo") +
                  "\nStartupNotify=true\n"
                  "StartupWMClass=mervo.exe\n");
    EXPECT_EQ(ReadLinuxFile(DesktopLauncher()), ReadLinuxFile(MenuLauncher()));
    EXPECT_EQ(fs::status(DesktopLauncher()).permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    const std::string uninstall = ReadLinuxFile(UninstallLauncher()).value_or("");
    EXPECT_NE(uninstall.find("\nName=卸载\n"), std::string::npos) << uninstall;
    EXPECT_NE(uninstall.find("Vostrel\\\\\\\\UnInstall.exe\"\n"), std::string::npos);
    EXPECT_NE(uninstall.find("\nStartupWMClass=uninstall.exe\n"), std::string::npos);

    // The menu file nests the launcher as Wine does (Wine, Programs, Talvimo), each submenu
    // with a .directory file that exists, and includes it by its desktop-file id: its path
    // below applications/ with "/" as "-".
    const MenuNesting nesting = ReadMenuNesting(MenuFile("Talvimo"));
    EXPECT_EQ(nesting.error, "");
    EXPECT_EQ(nesting.names, (std::vector<std::string>{"Applications", "wine-wine", "wine-Programs",
                                                       "wine-Programs-Talvimo"}));
    // No other root's install can take these away: they carry this root's tag.
    EXPECT_EQ(nesting.directories,
              (std::vector<std::string>{Tagged("wine-wine") + ".directory",
                                        Tagged("wine-Programs") + ".directory",
                                        Tagged("wine-Programs-Talvimo") + ".directory"}));
    for (const std::string& directory : nesting.directories)
        EXPECT_TRUE(fs::exists(DataHome() + "/desktop-directories/" + directory)) << directory;
    std::string launcherId = fs::relative(MenuLauncher(), DataHome() + "/applications").string();
    std::replace(launcherId.begin(), launcherId.end(), '/', '-');
    EXPECT_EQ(nesting.included, std::vector<std::string>{launcherId});
    EXPECT_TRUE(fs::exists(MenuFile("卸载")));
    const std::string directory =
        DataHome() + "/desktop-directories/" + Tagged("wine-Programs-Talvimo") + ".directory";
    EXPECT_EQ(ReadLinuxFile(directory),
              "[Desktop Entry]\nType=Directory\nName=Talvimo\nIcon=folder\n");
    EXPECT_EQ(ValidationErrors(directory), "");
    EXPECT_EQ(
        ReadLinuxFile(DataHome() + "/desktop-directories/" + Tagged("wine-wine") + ".directory"),
        "[Desktop Entry]\nType=Directory\nName=Wine\nIcon=wine\n");

    for (unsigned size : {16u, 48u, 256u}) {
        EXPECT_EQ(ReadLinuxFile(Icon(size)), SquarePng(size)) << size;
        const QImage icon(QString::fromStdString(Icon(size)));
        EXPECT_EQ(icon.size(), QSize(static_cast<int>(size), static_cast<int>(size))) << size;
    }

    // Everything made is in the install record, Linux files through drive Z:.
    for (const std::string& file : {MenuLauncher(), UninstallLauncher(), DesktopLauncher(),
                                    MenuFile("Talvimo"), directory, Icon(48)})
        EXPECT_TRUE(Recorded(TInstalledItems::Kind::Launcher, file)) << file;
    const auto& recorded = InstalledItems().Items();
    EXPECT_TRUE(std::any_of(recorded.begin(), recorded.end(), [&](const auto& item) {
        return item.kind == TInstalledItems::Kind::Folder &&
               item.path == SpecialFolder(CSIDL_PROGRAMS) + "\\Talvimo";
    }));
    for (const std::string& link : {DesktopLink(), StartMenuLink()}) {
        const auto windowsPath = winapi::ToWindowsPath(link);
        ASSERT_TRUE(windowsPath);
        const auto& items = InstalledItems().Items();
        EXPECT_TRUE(std::any_of(items.begin(), items.end(), [&](const auto& item) {
            return item.kind == TInstalledItems::Kind::Link &&
                   strcasecmp(item.path.c_str(), windowsPath->c_str()) == 0;
        })) << link;
    }
}

// Wine's menu builder made the Wine and Programs submenus for the user's other programs: the
// menu uses them as they are and they are not the install's, so its uninstaller leaves them.
TEST_F(Launchers, SubmenusWineMadeEarlierAreUsedAsTheyAreAndAreNotRecorded) {
    const std::string directories = DataHome() + "/desktop-directories/";
    const std::string winesOwn = "[Desktop Entry]\nType=Directory\nName=Programs\nIcon=folder\n"
                                 "X-Made-By=wine\n";
    WriteLinuxFile(directories + "wine-wine.directory", winesOwn);
    WriteLinuxFile(directories + "wine-Programs.directory", winesOwn);
    CreateProductShortcutsWith(false, false);
    const std::string menu = ReadLinuxFile(MenuFile("Talvimo")).value_or("");
    for (const std::string id : {"wine-wine", "wine-Programs"}) {
        EXPECT_EQ(ReadLinuxFile(directories + id + ".directory"), winesOwn) << id;
        EXPECT_FALSE(Recorded(TInstalledItems::Kind::Launcher, directories + id + ".directory"))
            << id;
        EXPECT_FALSE(fs::exists(directories + Tagged(id) + ".directory")) << id;
        EXPECT_NE(menu.find("<Directory>" + id + ".directory</Directory>"), std::string::npos)
            << menu;
    }
    EXPECT_TRUE(Recorded(TInstalledItems::Kind::Launcher,
                         directories + Tagged("wine-Programs-Talvimo") + ".directory"));
}

// Two system roots in one home: each install has its own launchers and icons, so the second
// leaves the first's untouched (and each uninstaller removes only what its list names).
TEST_F(Launchers, InstallsIntoTwoRootsOfOneHomeHaveLaunchersOfTheirOwn) {
    PlaceProductWithIcon();
    CreateProductShortcutsWith(true, false);
    const std::string directories = DataHome() + "/desktop-directories/";
    std::vector<std::string> first{MenuLauncher(), UninstallLauncher(), DesktopLauncher(),
                                   MenuFile("Talvimo"), Icon(48)};
    for (const std::string id : {"wine-wine", "wine-Programs", "wine-Programs-Talvimo"})
        first.push_back(directories + Tagged(id) + ".directory");
    std::vector<std::string> firstTexts;
    for (const std::string& file : first)
        firstTexts.push_back(ReadLinuxFile(file).value_or("(missing)"));

    InstalledItems().Clear();
    const std::string secondRoot = systemRoot.Folder() + "/second";
    setenv("WINEPREFIX", secondRoot.c_str(), 1);
    winapi::ResetSystemRoot();
    PlaceProductWithIcon();
    CreateProductShortcutsWith(true, false);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(ReadLinuxFile(first[i]).value_or("(missing)"), firstTexts[i]) << first[i];
        EXPECT_FALSE(Recorded(TInstalledItems::Kind::Launcher, first[i])) << first[i];
    }
    // The second root's menu has submenu files of its own.
    const std::string ownDirectory = directories + Tagged("wine-Programs-Talvimo") + ".directory";
    EXPECT_EQ(std::find(first.begin(), first.end(), ownDirectory), first.end());
    EXPECT_TRUE(Recorded(TInstalledItems::Kind::Launcher, ownDirectory));
    // The product's menu folder, made by the first root's install, is the second's too.
    EXPECT_TRUE(Recorded(TInstalledItems::Kind::Folder,
                         fs::path(MenuLauncher()).parent_path().string()));
    for (const std::string& launcher : {MenuLauncher(), DesktopLauncher()}) {
        EXPECT_EQ(std::find(first.begin(), first.end(), launcher), first.end()) << launcher;
        EXPECT_NE(ReadLinuxFile(launcher).value_or("").find("WINEPREFIX=" + secondRoot),
                  std::string::npos)
            << launcher;
        EXPECT_TRUE(Recorded(TInstalledItems::Kind::Launcher, launcher)) << launcher;
    }
    setenv("WINEPREFIX", systemRoot.Root().c_str(), 1);
    winapi::ResetSystemRoot();
}

TEST_F(Launchers, AnUntickedDesktopLinkGetsNoLauncherAndAReinstallMakesNoSecondCopy) {
    CreateProductShortcutsWith(false, false);
    EXPECT_FALSE(fs::exists(DesktopLauncher()));
    EXPECT_TRUE(fs::exists(MenuLauncher()));
    // A program without an icon gives a launcher without one, still valid.
    EXPECT_EQ(ReadLinuxFile(MenuLauncher()).value_or("").find("Icon="), std::string::npos);
    EXPECT_EQ(ValidationErrors(MenuLauncher()), "");
    EXPECT_FALSE(fs::exists(DataHome() + "/icons"));

    PlaceProductWithIcon();
    const size_t recorded = InstalledItems().Items().size();
    CreateProductShortcutsWith(true, false);
    const size_t withDesktop = InstalledItems().Items().size();
    EXPECT_GT(withDesktop, recorded);
    CreateProductShortcutsWith(true, false);
    EXPECT_EQ(InstalledItems().Items().size(), withDesktop);
    size_t launchers = 0;
    for (const auto& entry : fs::recursive_directory_iterator(systemRoot.Home()))
        launchers += entry.path().extension() == ".desktop";
    EXPECT_EQ(launchers, 2u);
    EXPECT_NE(ReadLinuxFile(MenuLauncher()).value_or("").find("\nIcon=" + Tagged("talvimo") + "\n"),
              std::string::npos);
}

// An icon left by an earlier install with other pictures is replaced; one that already holds
// the product's picture is kept as it is, not written again for every launcher.
// Only whole, square PNG images become icons: a damaged one (its checksum no longer matches)
// and one that is not square are left out, the sound ones are installed.
TEST_F(Launchers, OnlySoundSquarePngImagesOfTheProgramBecomeIcons) {
    std::string damaged = SquarePng(32);
    damaged[damaged.size() - 20] ^= 0x01; // inside the image data, before the end chunk
    QImage wide(64, 32, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    QByteArray widePng;
    QBuffer buffer(&widePng);
    wide.save(&buffer, "PNG");
    WriteLinuxFile(
        systemRoot.LinuxPath(kInstallDir + "mervo.exe"),
        VersionedPe(3, 5, 0, 61,
                    {.pe32Plus = true,
                     .icons = {{32, damaged}, {64, widePng.toStdString()}, {48, SquarePng(48)}}}));
    const std::vector<std::string> written =
        InstallProgramIcon(kInstallDir + "mervo.exe", Tagged("talvimo"));
    EXPECT_EQ(written, std::vector<std::string>{Icon(48)});
    EXPECT_FALSE(fs::exists(Icon(32)));
}

TEST_F(Launchers, AStaleIconIsReplacedAndACurrentOneIsLeftInPlace) {
    PlaceProductWithIcon();
    std::string stale = SquarePng(48);
    stale[stale.size() / 2] ^= 0x55; // the same size, other bytes
    WriteLinuxFile(Icon(48), stale);
    WriteLinuxFile(Icon(16), SquarePng(16));
    struct stat before {};
    ASSERT_EQ(stat(Icon(16).c_str(), &before), 0);

    CreateProductShortcutsWith(true, false);

    EXPECT_EQ(ReadLinuxFile(Icon(48)), SquarePng(48));
    EXPECT_EQ(ReadLinuxFile(Icon(256)), SquarePng(256));
    struct stat after {};
    ASSERT_EQ(stat(Icon(16).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_TRUE(Recorded(TInstalledItems::Kind::Launcher, Icon(16)));
}

TEST_F(Launchers, TheDesktopIsWhereTheUsersDirectoriesFileSaysAndExecIsQuotedSafely) {
    WriteLinuxFile(systemRoot.Home() + "/.config/user-dirs.dirs",
                   "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    const AnsiString folder = "C:\\Program Files\\100% $HOME `x` \"q\"\\";
    LauncherEntry entry{"Talvimo", "Talvimo 播放器", folder + "mervo.exe", ""};
    const std::string launcher = CreateDesktopLauncher(entry);
    EXPECT_EQ(launcher, systemRoot.Home() + "/Schreibtisch/" + Tagged("Talvimo") + ".desktop");
    EXPECT_EQ(ValidationErrors(launcher), "");
    const std::string text = ReadLinuxFile(launcher).value_or("");
    EXPECT_NE(text.find("\nComment=Talvimo 播放器\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" wine \"C:\\\\\\\\Program Files\\\\\\\\100%% \\\\$HOME \\\\`x\\\\` "
                        "\\\\\"q\\\\\"\\\\\\\\mervo.exe\"\n"),
              std::string::npos)
        << text;
}

// A desktop folder that cannot be written is an error with the system's text, not a silence.
TEST_F(Launchers, ALauncherThatCannotBeWrittenRaises) {
    WriteLinuxFile(systemRoot.Home() + "/Desktop", "a file where the folder should be");
    try {
        CreateDesktopLauncher({"Talvimo", "", kInstallDir + "mervo.exe", ""});
        ADD_FAILURE() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), gbk::Literal("无法写入文件 ") + systemRoot.Home() + "/Desktop/" +
                                       Tagged("Talvimo") +
                                       ".desktop: " + SysErrorMessage(ERROR_PATH_NOT_FOUND));
    }
}

// The install record keeps GBK Windows paths: a launcher whose Linux path GBK cannot write
// would be recorded mangled and never removed, so it is refused before anything is written.
TEST_F(Launchers, ALauncherWhosePathGbkCannotWriteIsRefused) {
    WriteLinuxFile(systemRoot.Home() + "/.config/user-dirs.dirs",
                   "XDG_DESKTOP_DIR=\"$HOME/바탕화면\"\n");
    const std::string folder = systemRoot.Home() + "/바탕화면";
    EXPECT_EQ(testing_support::RaisedMessage([] {
                  CreateDesktopLauncher({"Talvimo", "", kInstallDir + "mervo.exe", ""});
              }),
              gbk::Literal("无法写入文件 ") + folder + ": " +
                  SysErrorMessage(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_FALSE(fs::exists(folder));
}

} // namespace

namespace {

// A full 4 KiB tmpfs (or an empty read-only one) mounted over a folder while it exists; only
// root can mount one.
class FullFolder {
public:
    explicit FullFolder(const std::string& folder, bool readOnly = false) : folder_(folder) {
        fs::create_directories(folder);
        if (geteuid() != 0 || mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0,
                                    "size=4k,nr_inodes=16") != 0)
            return;
        mounted_ = true;
        if (readOnly)
            return;
        std::string page(4096, 'x');
        FILE* filler = fopen((folder + "/filler").c_str(), "w");
        if (filler) {
            fwrite(page.data(), 1, page.size(), filler);
            fclose(filler);
        }
    }
    ~FullFolder() {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
    }
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;
    bool Mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

TEST_F(Launchers, AFullDiskFailsTheLinkAndTheLauncherWithTheDiskFullText) {
    {
        FullFolder windowsDesktop(fs::path(DesktopLink()).parent_path().string());
        if (!windowsDesktop.Mounted())
            GTEST_SKIP() << "needs root to mount a small tmpfs";
        try {
            CreateProductShortcutsWith(true, false);
            ADD_FAILURE() << "no error raised";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), gbk::Literal("无法创建快捷方式 ") +
                                           SpecialFolder(CSIDL_DESKTOPDIRECTORY) +
                                           "\\Talvimo.lnk: " + SysErrorMessage(ERROR_DISK_FULL));
        }
    }
    FullFolder linuxDesktop(systemRoot.Home() + "/Desktop");
    try {
        CreateProductShortcutsWith(true, false);
        ADD_FAILURE() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), gbk::Literal("无法写入文件 ") + systemRoot.Home() + "/Desktop/" +
                                       Tagged("Talvimo") +
                                       ".desktop: " + SysErrorMessage(ERROR_DISK_FULL));
    }
    // Nothing cut short is left as a launcher the desktop would show, nor a temporary file.
    for (const auto& entry : fs::directory_iterator(systemRoot.Home() + "/Desktop"))
        EXPECT_EQ(entry.path().filename(), "filler");
}

// A read-only Start-menu folder fails the link, and a read-only system root the registry
// steps, each with the system's text.
TEST_F(Launchers, ReadOnlyFoldersFailTheLinkAndTheRegistryWithTheSystemsText) {
    auto message = [](auto step) { return testing_support::RaisedMessage(step); };
    {
        FullFolder startMenu(StartMenuFolder(), true);
        if (!startMenu.Mounted())
            GTEST_SKIP() << "needs root to mount a read-only tmpfs";
        EXPECT_EQ(message([] { CreateProductShortcutsWith(false, false); }),
                  gbk::Literal("无法创建快捷方式 ") + SpecialFolder(CSIDL_PROGRAMS) +
                      "\\Talvimo\\Talvimo.lnk: " + SysErrorMessage(ERROR_WRITE_PROTECT));
    }
    FullFolder root(systemRoot.Root(), true);
    EXPECT_EQ(message([] { SetAutoRun(kInstallDir + "mervo.exe Minimize", true); }),
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run: " +
                  SysErrorMessage(ERROR_WRITE_PROTECT));
    EXPECT_EQ(message([] {
                  WriteUninstallEntry(kInstallDir + "UnInstall.exe", kInstallDir + "mervo.exe");
              }),
              gbk::Literal("无法写入注册表项 HKEY_LOCAL_MACHINE\\") +
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talvimo: " +
                  SysErrorMessage(ERROR_WRITE_PROTECT));
}

// The uninstall list replaces an earlier one whole; a list that cannot be written leaves the
// earlier one as it was and says which file and why.
TEST_F(ShellIntegration, TheUninstallListIsWrittenWholeOrNotAtAll) {
    TInstalledItems items;
    items.AddFile(kInstallDir + "mervo.exe");
    const AnsiString list = kInstallDir + "UnInstall.lst";
    fs::create_directories(systemRoot.LinuxPath(kInstallDir));
    WriteLinuxFile(systemRoot.LinuxPath(list),
                   "an earlier list, longer than the new one\n" + std::string(4096, '#'));
    items.SaveToFile(list);
    EXPECT_EQ(ReadLinuxFile(systemRoot.LinuxPath(list)), items.ListText());
    EXPECT_EQ(std::distance(fs::directory_iterator(systemRoot.LinuxPath(kInstallDir)),
                            fs::directory_iterator()),
              1);

    const struct {
        AnsiString file;
        DWORD reason;
    } failures[] = {{"C:\\Missing\\UnInstall.lst", ERROR_PATH_NOT_FOUND},
                    {"UnInstall.lst", ERROR_PATH_NOT_FOUND},
                    {kInstallDir + "mervo.exe\\UnInstall.lst", ERROR_PATH_NOT_FOUND}};
    WriteLinuxFile(systemRoot.LinuxPath(kInstallDir + "mervo.exe"), "program");
    for (const auto& [file, reason] : failures)
        EXPECT_EQ(testing_support::RaisedMessage([&] { items.SaveToFile(file); }),
                  "Cannot create file \"" + file + "\". " + SysErrorMessage(reason))
            << file;
    EXPECT_EQ(ReadLinuxFile(systemRoot.LinuxPath(kInstallDir + "mervo.exe")), "program");
}

} // namespace
