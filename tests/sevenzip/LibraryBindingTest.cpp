// Loading the library, checking its exports, creating handlers and unloading it.
#include "SevenZipTesting.h"

#include "rtl/SysErrorMessage.h"

namespace fs = std::filesystem;

namespace {

// The library's answer for a class it does not know.
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);

class LibraryBindingTest : public SevenZipTest {
protected:
    fs::path CopyLibrary(const fs::path& source, const std::string& name) {
        fs::path copy = root_ / "lib" / name;
        fs::create_directories(copy.parent_path());
        fs::copy_file(source, copy);
        return copy;
    }
};

TEST_F(LibraryBindingTest, AMissingOrUnloadableFileIsNoLibrary) {
    AnsiString missing = WinPath(root_ / "nowhere" / "7z.dll");
    EXPECT_EQ(ErrorOf([&] { CreateInArchive(CLSID_CFormat7z, missing); }),
              "Error loading library " + missing);

    fs::path text = root_ / "lib" / "7z.dll";
    WriteFile(text, "this is not a shared library\n");
    EXPECT_EQ(ErrorOf([&] { CreateInArchive(CLSID_CFormat7z, WinPath(text)); }),
              "Error loading library " + WinPath(text));
}

TEST_F(LibraryBindingTest, ALibraryWithoutTheFactoryIsRefusedAndUnloaded) {
    fs::path library = CopyLibrary(NO_CREATE_OBJECT_LIBRARY, "plain.dll");
    EXPECT_EQ(ErrorOf([&] { CreateInArchive(CLSID_CFormat7z, WinPath(library)); }),
              WinPath(library) + " is not a 7z library");
    EXPECT_FALSE(IsMapped(library));
}

TEST_F(LibraryBindingTest, ALibraryWithoutHandlerPropertiesIsNoFormatLibrary) {
    fs::path library = CopyLibrary(NO_HANDLER_PROPERTY_LIBRARY, "codecs.dll");
    EXPECT_EQ(ErrorOf([&] { CreateInArchive(CLSID_CFormat7z, WinPath(library)); }),
              WinPath(library) + " is not a Format library");
    EXPECT_FALSE(IsMapped(library));
}

TEST_F(LibraryBindingTest, APositiveFactoryResultIsAFailureWithItsCode) {
    fs::path library = CopyLibrary(POSITIVE_FACTORY_LIBRARY, "7z.dll");
    ComPtr<I7zArchiveReader> reader = CreateInArchive(CLSID_CFormat7z, WinPath(library));
    WriteFile(root_ / "a.7z", "x");
    // The factory handed out no handler: the open must fail instead of calling through null.
    EXPECT_EQ(ErrorOf([&] { reader->OpenFile(WinPath(root_ / "a.7z")); }),
              SysErrorMessage(S_FALSE));
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->NumberOfItems(); })), "压缩包尚未打开");
}

TEST_F(LibraryBindingTest, TheReaderReadsTheFormatOfItsClass) {
    // The library's zip handler: the 7z class id with format byte 0x01.
    constexpr CLSID zipClass = {
        0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x01, 0x00, 0x00}};
    WriteFile(root_ / "src" / "a.txt", "a");
    MakeArchive(root_ / "a.zip", "-tzip", root_ / "src", "a.txt");
    MakeArchive(root_ / "a.7z", "", root_ / "src", "a.txt");

    ComPtr<I7zArchiveReader> zip = CreateInArchive(zipClass, WinPath(LibraryFile()));
    zip->OpenFile(WinPath(root_ / "a.zip"));
    EXPECT_EQ(zip->NumberOfItems(), 1u);
    ComPtr<I7zArchiveReader> sevenZip = NewReader();
    EXPECT_NE(ErrorOf([&] { sevenZip->OpenFile(WinPath(root_ / "a.zip")); }), "<no error>");

    ComPtr<IInArchive> handler = sevenZip->InArchive();
    ASSERT_TRUE(handler);
    EXPECT_EQ(sevenZip->InArchive().Get(), handler.Get()); // created once, then reused
}

TEST_F(LibraryBindingTest, AnUnknownClassFailsAtTheFirstOpenNotBefore) {
    WriteFile(root_ / "src" / "a.txt", "a");
    MakeArchive(root_ / "a.7z", "", root_ / "src", "a.txt");
    constexpr CLSID unknown = {
        0x5D2A1C3E, 0x7B40, 0x4F19, {0x9A, 0x6E, 0x31, 0xC8, 0x02, 0x7F, 0xD4, 0x11}};
    ComPtr<I7zArchiveReader> reader;
    ASSERT_NO_THROW(reader = CreateInArchive(unknown, WinPath(LibraryFile())));
    EXPECT_EQ(ErrorOf([&] { reader->OpenFile(WinPath(root_ / "a.7z")); }),
              SysErrorMessage(static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE)));
}

TEST_F(LibraryBindingTest, TheLastReleaseUnloadsTheLibrary) {
    WriteFile(root_ / "src" / "a.txt", "content");
    MakeArchive(root_ / "a.7z", "", root_ / "src", "a.txt");
    fs::path library = LibraryFile();
    ComPtr<I7zArchiveReader> reader = NewReader();
    ComPtr<I7zArchiveReader> second = reader;
    reader->OpenFile(WinPath(root_ / "a.7z"));
    reader->ExtractTo(WinPath(root_ / "out"));
    EXPECT_TRUE(IsMapped(library));
    reader.Reset();
    EXPECT_TRUE(IsMapped(library)); // one reference is still held
    second.Reset();
    EXPECT_FALSE(IsMapped(library));
    EXPECT_TRUE(fs::remove(library));
    EXPECT_EQ(ReadFile(root_ / "out" / "a.txt"), "content");
}

TEST_F(LibraryBindingTest, TwoReadersShareOneLoadedLibrary) {
    fs::path library = LibraryFile();
    ComPtr<I7zArchiveReader> first = NewReader();
    ComPtr<I7zArchiveReader> second = NewReader();
    first.Reset();
    EXPECT_TRUE(IsMapped(library));
    EXPECT_NO_THROW(second->InArchive());
    second.Reset();
    EXPECT_FALSE(IsMapped(library));
}

} // namespace
