// The run-time's file streams and the adapter that hands them to the library.
#include "SevenZipTesting.h"

#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"
#include "sevenzip/T7zStream.h"
#include "winapi/kernel32.h"

#include <gmock/gmock.h>

#include <memory>

namespace fs = std::filesystem;
using ::testing::AnyOf;

namespace {

// How many descriptors of this process have the file open.
int OpenDescriptors(const fs::path& file) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == file)
            ++count;
    }
    return count;
}

template <class Interface> ComPtr<Interface> Query(IUnknown* object, const IID& iid) {
    Interface* result = nullptr;
    EXPECT_EQ(object->QueryInterface(iid, reinterpret_cast<void**>(&result)), S_OK);
    return ComPtr<Interface>::Adopt(result);
}

class StreamAdapterTest : public SevenZipTest {
protected:
    // An owning adapter over a file holding content, as the library sees an archive.
    ComPtr<IInStream> OpenAdapter(const std::string& content) {
        file_ = root_ / "data.bin";
        WriteFile(file_, content);
        auto* stream = new TFileStream(WinPath(file_), fmOpenReadWrite | fmShareDenyNone);
        return ComPtr<IInStream>(new T7zStream(stream, soOwned));
    }

    fs::path file_;
};

TEST_F(StreamAdapterTest, ReadsUpToTheEndAndThenNothing) {
    ComPtr<IInStream> in = OpenAdapter("0123456789");
    char buffer[16] = {};
    UInt32 processed = 99;
    EXPECT_EQ(in->Read(buffer, 4, &processed), S_OK);
    EXPECT_EQ(processed, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(in->Read(buffer, sizeof buffer, &processed), S_OK);
    EXPECT_EQ(processed, 6u);
    EXPECT_EQ(in->Read(buffer, sizeof buffer, &processed), S_OK);
    EXPECT_EQ(processed, 0u);
}

TEST_F(StreamAdapterTest, MovesDataWithoutAProcessedCount) {
    ComPtr<IInStream> in = OpenAdapter("abcdef");
    auto out = Query<ISequentialOutStream>(in.Get(), IID_ISequentialOutStream);
    EXPECT_EQ(in->Seek(2, 0, nullptr), S_OK);
    EXPECT_EQ(out->Write("XY", 2, nullptr), S_OK);
    char buffer[2] = {};
    EXPECT_EQ(in->Read(buffer, 2, nullptr), S_OK);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    in.Reset();
    out.Reset();
    EXPECT_EQ(ReadFile(file_), "abXYef");
}

TEST_F(StreamAdapterTest, SeeksFromEachOriginAndReportsSizes) {
    ComPtr<IInStream> in = OpenAdapter("0123456789");
    UInt64 position = 0;
    EXPECT_EQ(in->Seek(0, 2, &position), S_OK);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(in->Seek(-3, 1, &position), S_OK);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(in->Seek(5, 0, &position), S_OK);
    EXPECT_EQ(position, 5u);

    auto size = Query<IStreamGetSize>(in.Get(), IID_IStreamGetSize);
    auto out = Query<IOutStream>(in.Get(), IID_IOutStream);
    EXPECT_EQ(out->SetSize(1ull << 32 | 3), S_OK); // beyond 32 bits
    UInt64 bytes = 0;
    EXPECT_EQ(size->GetSize(&bytes), S_OK);
    EXPECT_EQ(bytes, 1ull << 32 | 3);
    EXPECT_EQ(out->SetSize(4), S_OK);
    EXPECT_EQ(size->GetSize(&bytes), S_OK);
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(size->GetSize(nullptr), S_OK);
    auto flush = Query<IOutStreamFlush>(in.Get(), IID_IOutStreamFlush);
    EXPECT_EQ(flush->Flush(), S_OK);
}

TEST_F(StreamAdapterTest, SequentialInterfacesShareTheExtendedTables) {
    ComPtr<IInStream> in = OpenAdapter("x");
    auto sequentialOut = Query<ISequentialOutStream>(in.Get(), IID_ISequentialOutStream);
    auto out = Query<IOutStream>(in.Get(), IID_IOutStream);
    EXPECT_EQ(static_cast<void*>(sequentialOut.Get()), static_cast<void*>(out.Get()));
    auto sequentialIn = Query<ISequentialInStream>(in.Get(), IID_ISequentialInStream);
    EXPECT_EQ(static_cast<void*>(sequentialIn.Get()), static_cast<void*>(in.Get()));

    void* none = &none;
    EXPECT_EQ(in->QueryInterface(IID_IInArchive, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
}

TEST_F(StreamAdapterTest, LastReleaseClosesAnOwnedFileOnly) {
    ComPtr<IInStream> owning = OpenAdapter("owned");
    EXPECT_EQ(OpenDescriptors(file_), 1);
    owning.Reset();
    EXPECT_EQ(OpenDescriptors(file_), 0);

    TFileStream callers(WinPath(file_), fmOpenRead | fmShareDenyNone);
    ComPtr<IInStream> borrowing(new T7zStream(&callers, soReference));
    char buffer[3] = {};
    borrowing->Read(buffer, 3, nullptr);
    borrowing.Reset();
    EXPECT_EQ(OpenDescriptors(file_), 1);
    EXPECT_EQ(callers.Read(buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ed");
}

TEST_F(StreamAdapterTest, AStreamErrorIsTrappedNotUnwound) {
    file_ = root_ / "readonly.bin";
    WriteFile(file_, "data");
    auto trap = std::make_shared<CallbackErrorTrap>();
    auto* stream = new TFileStream(WinPath(file_), fmOpenRead | fmShareDenyNone);
    ComPtr<IOutStream> out(new T7zStream(stream, soOwned, trap));
    // A file opened for reading cannot have its size set.
    EXPECT_EQ(out->SetSize(1), E_FAIL);
    EXPECT_THROW(trap->RaisePending(), EStreamError);
    EXPECT_NO_THROW(trap->RaisePending());
}

TEST_F(StreamAdapterTest, FileStreamsNameThePathAndTheSystemsReason) {
    AnsiString missing = WinPath(root_ / "missing.7z");
    EXPECT_THAT(
        ErrorOf([&] { TFileStream(missing, fmOpenRead | fmShareDenyNone); }),
        AnyOf("Cannot open file \"" + missing + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND),
              "Cannot open file \"" + missing + "\". " + SysErrorMessage(ERROR_PATH_NOT_FOUND)));
    EXPECT_THROW(TFileStream(missing, fmOpenRead), EFOpenError);

    AnsiString inMissingFolder = WinPath(root_ / "no" / "such" / "file.txt");
    EXPECT_EQ(ErrorOf([&] { TFileStream(inMissingFolder, fmCreate); }),
              "Cannot create file \"" + inMissingFolder + "\". " +
                  SysErrorMessage(ERROR_PATH_NOT_FOUND));
    EXPECT_THROW(TFileStream(inMissingFolder, fmCreate), EFCreateError);
}

TEST_F(StreamAdapterTest, CreatingTruncatesAnExistingFile) {
    file_ = root_ / "old.txt";
    WriteFile(file_, "a long old content");
    {
        TFileStream created(WinPath(file_), fmCreate);
        EXPECT_EQ(created.Size(), 0);
        EXPECT_EQ(created.Write("new", 3), 3u);
        EXPECT_EQ(created.Position(), 3);
    }
    EXPECT_EQ(ReadFile(file_), "new");
}

} // namespace
