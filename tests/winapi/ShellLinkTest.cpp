#include "support/LnkInfo.h"
#include "support/TempSystemRoot.h"
#include "winapi/Gbk.h"

#include "winapi/ShellLink.h"
#include "winapi/kernel32.h"
#include "winapi/ole32.h"

#include <filesystem>
#include <string>

using testing_support::LnkField;
using testing_support::LnkInfo;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

namespace {

class ShellLinks : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        IUnknown* object = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        ASSERT_EQ(object->QueryInterface(IID_IShellLinkA, reinterpret_cast<void**>(&link)), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
        object->Release();
    }
    void TearDown() override {
        if (link)
            link->Release();
        if (file)
            file->Release();
        CoUninitialize();
    }

    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};

TEST_F(ShellLinks, ASavedLinkReadsBackWithLnkinfo) {
    const std::string target = "C:\\Program Files\\Vostrel\\mervo.exe";
    WriteLinuxFile(systemRoot.LinuxPath(target), "MZ program");
    EXPECT_EQ(link->SetPath(target.c_str()), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory("C:\\Program Files\\Vostrel\\"), S_OK);
    EXPECT_EQ(link->SetDescription("Talvimo"), S_OK);
    EXPECT_EQ(link->SetIconLocation(target.c_str(), 0), S_OK);
    ASSERT_EQ(file->Save(L"C:\\Talvimo.lnk", FALSE), S_OK);

    const std::string info = LnkInfo(systemRoot.DriveC() + "/Talvimo.lnk");
    EXPECT_EQ(LnkField(info, "Local path"), target) << info;
    EXPECT_EQ(LnkField(info, "Working directory"), "C:\\Program Files\\Vostrel\\");
    EXPECT_EQ(LnkField(info, "Description"), "Talvimo");
    EXPECT_EQ(LnkField(info, "Icon location"), target);
    EXPECT_EQ(LnkField(info, "Icon index"), "0");
    EXPECT_EQ(LnkField(info, "File size"), "10 bytes");
    EXPECT_EQ(LnkField(info, "Drive type"), "Fixed (3)");
}

TEST_F(ShellLinks, ALinkWithOnlyATargetHasNoOtherStrings) {
    ASSERT_EQ(link->SetPath("C:\\Vostrel\\UnInstall.exe"), S_OK);
    ASSERT_EQ(file->Save(L"C:\\uninstall.lnk", FALSE), S_OK);
    const std::string info = LnkInfo(systemRoot.DriveC() + "/uninstall.lnk");
    EXPECT_EQ(LnkField(info, "Local path"), "C:\\Vostrel\\UnInstall.exe") << info;
    EXPECT_EQ(LnkField(info, "Description"), "<none>");
    EXPECT_EQ(LnkField(info, "Icon location"), "<none>");
    // The header: its size, the class identifier, the flags (link info, Unicode).
    const std::string bytes = ReadLinuxFile(systemRoot.DriveC() + "/uninstall.lnk").value_or("");
    ASSERT_GE(bytes.size(), 0x4Cu);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x4C\0\0\0\x01\x14\x02\0", 8));
    EXPECT_EQ(bytes.substr(0x14, 4), std::string("\x82\0\0\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));
}

TEST_F(ShellLinks, ChinesePathsAreStoredInUnicode) {
    const std::string target = gbk::Literal("C:\\播放器\\mervo.exe");
    ASSERT_EQ(link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(link->SetDescription(gbk::Literal("卸载").c_str()), S_OK);
    ASSERT_EQ(file->Save(L"C:\\卸载.lnk", FALSE), S_OK);
    const std::string info = LnkInfo(systemRoot.DriveC() + "/卸载.lnk");
    EXPECT_EQ(LnkField(info, "Local path"), "C:\\播放器\\mervo.exe") << info;
    EXPECT_EQ(LnkField(info, "Description"), "卸载");
}

TEST_F(ShellLinks, SavingIntoAMissingFolderFailsAndWritesNothing) {
    ASSERT_EQ(link->SetPath("C:\\a.exe"), S_OK);
    EXPECT_EQ(file->Save(L"C:\\Missing\\Talvimo.lnk", FALSE),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(systemRoot.DriveC() + "/Missing"));
    EXPECT_EQ(file->Save(L"relative.lnk", FALSE), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

TEST_F(ShellLinks, BadArgumentsAreRefused) {
    EXPECT_EQ(link->SetPath("relative\\mervo.exe"), E_INVALIDARG);
    EXPECT_EQ(link->SetPath(nullptr), E_INVALIDARG);
    EXPECT_EQ(link->SetDescription("\x81\x20"), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(link->SetDescription(std::string(70000, 'a').c_str()), E_INVALIDARG);
    void* other = nullptr;
    const IID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(link->QueryInterface(unknown, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

TEST(ComObjects, CreationNeedsInitialisationAndAKnownClass) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    const CLSID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, 0x10, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, reinterpret_cast<IUnknown*>(&object),
                               CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    ASSERT_EQ(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile, &object),
        S_OK);
    EXPECT_EQ(static_cast<IPersistFile*>(object)->Release(), 0u);
    CoUninitialize();
    CoUninitialize();
}

} // namespace
