// Opening archives, listing them and extracting them with passwords and progress.
#include "SevenZipTesting.h"

#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"
#include "sevenzip/Bstr.h"
#include "sevenzip/T7zStream.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const std::wstring kPassword = L"qhtrwel$$";
const std::string kPasswordSwitch = "'-pqhtrwel$$'";

struct PasswordRequests {
    int count = 0;
    std::wstring answer = kPassword;
    HRESULT result = S_OK;
};

HRESULT AnswerPassword(void* user, std::wstring& password) {
    auto* requests = static_cast<PasswordRequests*>(user);
    ++requests->count;
    password = requests->answer;
    return requests->result;
}

struct ProgressCall {
    bool total;
    Int64 value;
};

struct ProgressLog {
    std::vector<ProgressCall> calls;
    HRESULT stopWith = S_OK;
};

HRESULT RecordProgress(void* user, bool total, Int64 value) {
    auto* log = static_cast<ProgressLog*>(user);
    log->calls.push_back({total, value});
    return total ? S_OK : log->stopWith;
}

class ArchiveReaderTest : public SevenZipTest {
protected:
    void SetUp() override {
        SevenZipTest::SetUp();
        source_ = root_ / "src";
        out_ = root_ / "out";
        for (const char* name : {"f1.txt", "f2.txt", "f3.exe", "f4.dll"})
            WriteFile(source_ / name, SampleContent(name, 200000));
        WriteFile(source_ / "d1" / "d2" / "deep.txt", SampleContent("deep", 5000));
    }

    // Encrypted file data, plain header, as the installer's payload.
    fs::path EncryptedDataArchive() {
        fs::path archive = root_ / "data.7z";
        MakeArchive(archive, kPasswordSwitch + " -mhe=off", source_, "f1.txt f2.txt");
        return archive;
    }

    fs::path EncryptedHeaderArchive() {
        fs::path archive = root_ / "header.7z";
        MakeArchive(archive, kPasswordSwitch + " -mhe=on", source_, "f1.txt f2.txt");
        return archive;
    }

    void ExpectExtracted(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            EXPECT_EQ(ReadFile(out_ / name), ReadFile(source_ / name)) << name;
    }

    fs::path source_;
    fs::path out_;
};

TEST_F(ArchiveReaderTest, ListsAnEncryptedArchiveWithoutItsPassword) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->OpenFile(WinPath(archive));
    ASSERT_EQ(reader->NumberOfItems(), 2u);
    EXPECT_EQ(reader->ItemPath(0), L"f1.txt");
    EXPECT_EQ(reader->ItemPath(1), L"f2.txt");
    EXPECT_EQ(reader->ItemSize(1), 200000);
    EXPECT_FALSE(reader->ItemIsFolder(0));
}

TEST_F(ArchiveReaderTest, ExtractsEncryptedDataWithThePassword) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));
    reader->ExtractTo(WinPath(out_));
    ExpectExtracted({"f1.txt", "f2.txt"});
}

TEST_F(ArchiveReaderTest, AWrongPasswordFailsNamingTheFirstItem) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(L"wrong");
    reader->OpenFile(WinPath(archive));
    std::string error = Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }));
    // The library's 7z decoder cannot tell a wrong key from damaged encrypted data.
    EXPECT_EQ(error, "解压文件“f1.txt”失败：密码错误，或安装包已损坏。");
}

TEST_F(ArchiveReaderTest, AnEmptyPasswordAsksTheCallbackOnce) {
    fs::path archive = root_ / "blocks.7z";
    MakeArchive(archive, kPasswordSwitch + " -mhe=off -ms=2f", source_, "f1.txt f2.txt f3.exe");
    PasswordRequests requests;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(L"");
    reader->SetPasswordCallback(&requests, AnswerPassword);
    reader->OpenFile(WinPath(archive));
    reader->ExtractTo(WinPath(out_));
    EXPECT_EQ(requests.count, 1); // the answer is kept for the second block
    ExpectExtracted({"f1.txt", "f2.txt", "f3.exe"});
}

TEST_F(ArchiveReaderTest, AnEmptyPasswordWithoutCallbackGivesNoPassword) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(L"");
    reader->OpenFile(WinPath(archive));
    // The library goes on without a password; the failed items must not pass for success.
    EXPECT_THAT(Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); })),
                StartsWith("解压文件“f1.txt”失败："));
    EXPECT_NE(ReadFile(out_ / "f1.txt"), ReadFile(source_ / "f1.txt"));
}

TEST_F(ArchiveReaderTest, AnEncryptedHeaderNeedsThePasswordToOpen) {
    fs::path archive = EncryptedHeaderArchive();
    ComPtr<I7zArchiveReader> without = NewReader();
    EXPECT_EQ(Utf8(ErrorOf([&] { without->OpenFile(WinPath(archive)); })), "打开安装包需要密码。");
    ComPtr<I7zArchiveReader> wrong = NewReader();
    wrong->SetPassword(L"wrong");
    EXPECT_EQ(Utf8(ErrorOf([&] { wrong->OpenFile(WinPath(archive)); })),
              "密码错误，或安装包已损坏。");
    EXPECT_EQ(Utf8(ErrorOf([&] { wrong->NumberOfItems(); })), "压缩包尚未打开");

    PasswordRequests requests;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->SetPasswordCallback(&requests, AnswerPassword);
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(reader->NumberOfItems(), 2u);
    reader->ExtractTo(WinPath(out_));
    ExpectExtracted({"f1.txt", "f2.txt"});
}

TEST_F(ArchiveReaderTest, ReopeningAfterCloseAsksForThePasswordAgain) {
    fs::path archive = EncryptedHeaderArchive();
    PasswordRequests requests;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));
    reader->Close();
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->OpenFile(WinPath(archive)); })), "打开安装包需要密码。");

    reader->SetPasswordCallback(&requests, AnswerPassword);
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(requests.count, 1);
    reader->Close();
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(requests.count, 2);
    EXPECT_EQ(reader->NumberOfItems(), 2u);
}

TEST_F(ArchiveReaderTest, TwoSolidBlocksWithBranchFilterReportOrderedProgress) {
    fs::path archive = root_ / "bcj.7z";
    MakeArchive(archive, kPasswordSwitch + " -mhe=off -m0=BCJ -m1=LZMA -ms=2f", source_,
                "f1.txt f2.txt f3.exe f4.dll");
    ProgressLog log;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->SetProgressCallback(&log, RecordProgress);
    reader->OpenFile(WinPath(archive));
    reader->ExtractTo(WinPath(out_));
    ExpectExtracted({"f1.txt", "f2.txt", "f3.exe", "f4.dll"});

    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_TRUE(log.calls.front().total);
    EXPECT_EQ(log.calls.front().value, 800000);
    Int64 previous = 0;
    for (std::size_t i = 1; i < log.calls.size(); ++i) {
        EXPECT_FALSE(log.calls[i].total);
        EXPECT_GE(log.calls[i].value, previous);
        previous = log.calls[i].value;
    }
    EXPECT_EQ(previous, 800000);
}

TEST_F(ArchiveReaderTest, FoldersComeFromFilePathsOnly) {
    fs::path archive = root_ / "deep.7z";
    MakeArchive(archive, "", source_, "d1/d2/deep.txt");
    fs::create_directories(source_ / "empty");
    MakeArchive(root_ / "folder.7z", "", source_, "empty");

    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->OpenFile(WinPath(archive));
    ASSERT_EQ(reader->NumberOfItems(), 1u);
    reader->ExtractTo(WinPath(out_)); // no trailing delimiter
    ExpectExtracted({"d1/d2/deep.txt"});

    reader->Close();
    reader->OpenFile(WinPath(root_ / "folder.7z"));
    ASSERT_EQ(reader->NumberOfItems(), 1u);
    EXPECT_TRUE(reader->ItemIsFolder(0));
    reader->ExtractTo(WinPath(out_) + "\\");
    EXPECT_FALSE(fs::exists(out_ / "empty"));
}

TEST_F(ArchiveReaderTest, ExtractionReplacesExistingFiles) {
    fs::path archive = EncryptedDataArchive();
    WriteFile(out_ / "f1.txt", std::string(300000, 'x'));
    WriteFile(out_ / "F2.TXT", "older file, other case");
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));
    reader->ExtractTo(WinPath(out_) + "\\");
    EXPECT_EQ(ReadFile(out_ / "f1.txt"), ReadFile(source_ / "f1.txt"));
    // Names match without regard to case, as on Windows.
    EXPECT_EQ(ReadFile(out_ / "F2.TXT"), ReadFile(source_ / "f2.txt"));
}

TEST_F(ArchiveReaderTest, BrokenArchivesFailToOpenOrExtract) {
    WriteFile(root_ / "notes.7z", SampleContent("not an archive", 4000));
    ComPtr<I7zArchiveReader> reader = NewReader();
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->OpenFile(WinPath(root_ / "notes.7z")); })),
              "安装包已损坏，请重新下载。");
    // Reading on after the failed open must not pass for an empty archive.
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->NumberOfItems(); })), "压缩包尚未打开");
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); })), "压缩包尚未打开");

    fs::path archive = EncryptedDataArchive();
    fs::resize_file(archive, fs::file_size(archive) / 2);
    ComPtr<I7zArchiveReader> truncated = NewReader();
    truncated->SetPassword(kPassword);
    EXPECT_EQ(Utf8(ErrorOf([&] { truncated->OpenFile(WinPath(archive)); })),
              "安装包已损坏，请重新下载。");

    AnsiString missing = WinPath(root_ / "missing.7z");
    EXPECT_THAT(ErrorOf([&] { reader->OpenFile(missing); }),
                StartsWith("Cannot open file \"" + missing + "\". "));
}

TEST_F(ArchiveReaderTest, DamagedDataNamesTheItemAndAsksForANewDownload) {
    fs::path archive = root_ / "plain.7z";
    MakeArchive(archive, "-mhe=off", source_, "f1.txt f2.txt");
    std::string bytes = ReadFile(archive);
    for (size_t i = 1000; i < 1100; ++i)
        bytes[i] ^= 0x55;
    WriteFile(archive, bytes);
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); })),
              "解压文件“f1.txt”失败：数据错误。安装包已损坏，请重新下载。");
}

TEST_F(ArchiveReaderTest, AFullDiskNamesTheFileBeingWritten) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    fs::create_directories(out_);
    ASSERT_EQ(mount("tmpfs", out_.c_str(), "tmpfs", 0, "size=256k"), 0) << std::strerror(errno);
    struct Unmount {
        fs::path folder;
        ~Unmount() { umount2(folder.c_str(), MNT_DETACH); }
    } unmount{out_};
    fs::path archive = EncryptedDataArchive(); // f1 and f2 of 200000 bytes each
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); })),
              Utf8(WinPath(out_ / "f2.txt")).insert(0, "写入文件“") + "”失败：磁盘空间不足。");
}

TEST_F(ArchiveReaderTest, ACodeWithoutSystemTextShowsTheCode) {
    fs::path archive = EncryptedDataArchive();
    ProgressLog log;
    log.stopWith = static_cast<HRESULT>(0x80041234);
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->SetProgressCallback(&log, RecordProgress);
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(Utf8(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); })), "未知错误 (0x80041234)");
}

TEST_F(ArchiveReaderTest, AProgressCallbackCanStopTheExtraction) {
    fs::path archive = EncryptedDataArchive();
    ProgressLog log;
    log.stopWith = E_ABORT;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->SetProgressCallback(&log, RecordProgress);
    reader->OpenFile(WinPath(archive));
    EXPECT_EQ(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }), SysErrorMessage(E_ABORT));
    EXPECT_NE(ReadFile(out_ / "f2.txt"), ReadFile(source_ / "f2.txt"));
}

TEST_F(ArchiveReaderTest, AnErrorRaisedInACallbackReachesTheCaller) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->SetProgressCallback(nullptr, [](void*, bool total, Int64) -> HRESULT {
        if (!total)
            throw EStreamError("progress display failed");
        return S_OK;
    });
    reader->OpenFile(WinPath(archive));
    EXPECT_THROW(reader->ExtractTo(WinPath(out_)), EStreamError);
    EXPECT_EQ(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }), "progress display failed");
}

TEST_F(ArchiveReaderTest, ProgressIsForwardedOnlyWithAValue) {
    ProgressLog log;
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetProgressCallback(&log, RecordProgress);
    IArchiveExtractCallback* callback = nullptr;
    ASSERT_EQ(
        reader->QueryInterface(IID_IArchiveExtractCallback, reinterpret_cast<void**>(&callback)),
        S_OK);
    auto extract = ComPtr<IArchiveExtractCallback>::Adopt(callback);
    IProgress* progress = nullptr;
    ASSERT_EQ(reader->QueryInterface(IID_IProgress, reinterpret_cast<void**>(&progress)), S_OK);
    auto base = ComPtr<IProgress>::Adopt(progress);
    EXPECT_EQ(static_cast<void*>(base.Get()), static_cast<void*>(extract.Get()));

    EXPECT_EQ(extract->SetCompleted(nullptr), S_OK);
    EXPECT_TRUE(log.calls.empty());
    UInt64 done = 7;
    log.stopWith = E_ABORT;
    EXPECT_EQ(extract->SetTotal(10), S_OK);
    EXPECT_EQ(extract->SetCompleted(&done), E_ABORT);
    ASSERT_EQ(log.calls.size(), 2u);
    EXPECT_TRUE(log.calls[0].total);
    EXPECT_EQ(log.calls[1].value, 7);
}

TEST_F(ArchiveReaderTest, PasswordRequestsFollowTheirOrder) {
    ComPtr<I7zArchiveReader> reader = NewReader();
    ICryptoGetTextPassword* raw = nullptr;
    ASSERT_EQ(reader->QueryInterface(IID_ICryptoGetTextPassword, reinterpret_cast<void**>(&raw)),
              S_OK);
    auto crypto = ComPtr<ICryptoGetTextPassword>::Adopt(raw);
    BSTR given = nullptr;
    EXPECT_EQ(crypto->CryptoGetTextPassword(&given), S_FALSE);
    EXPECT_EQ(given, nullptr);

    PasswordRequests requests;
    requests.result = E_ABORT;
    reader->SetPasswordCallback(&requests, AnswerPassword);
    EXPECT_EQ(crypto->CryptoGetTextPassword(&given), E_ABORT);
    EXPECT_EQ(given, nullptr);
    requests.result = S_OK;
    requests.answer = L"from callback";
    EXPECT_EQ(crypto->CryptoGetTextPassword(&given), S_OK);
    EXPECT_EQ(BstrText(given), L"from callback");
    FreeBstr(given);
    EXPECT_EQ(crypto->CryptoGetTextPassword(&given), S_OK); // now known
    EXPECT_EQ(requests.count, 2);
    FreeBstr(given);

    reader->SetPassword(L"set");
    EXPECT_EQ(crypto->CryptoGetTextPassword(&given), S_OK);
    EXPECT_EQ(BstrText(given), L"set");
    FreeBstr(given);
}

TEST_F(ArchiveReaderTest, ATargetFileThatCannotBeCreatedFailsTheExtraction) {
    fs::path archive = EncryptedDataArchive();
    fs::create_directories(out_ / "f2.txt"); // a folder where the file should go
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));
    EXPECT_THROW(reader->ExtractTo(WinPath(out_)), EFCreateError);
    EXPECT_THAT(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }),
                StartsWith("Cannot create file \"" + WinPath(out_) + "\\f2.txt\". "));
    // The extraction is all or nothing: the file written before the failure is gone again.
    EXPECT_FALSE(fs::exists(out_ / "f1.txt"));
}

TEST_F(ArchiveReaderTest, ExtractsSingleItemsIntoTheCallersStreams) {
    fs::path archive = EncryptedDataArchive();
    ComPtr<I7zArchiveReader> reader = NewReader();
    reader->SetPassword(kPassword);
    reader->OpenFile(WinPath(archive));

    TFileStream target(WinPath(root_ / "one.txt"), fmCreate);
    reader->ExtractItem(1, &target, false);
    EXPECT_EQ(target.Size(), 200000); // the stream is still the caller's
    target.SetSize(0);
    reader->ExtractItem(1, &target, true); // testing writes nothing
    EXPECT_EQ(target.Size(), 0);

    struct Sink {
        std::vector<UInt32> asked;
        fs::path folder;
    } sink{{}, root_ / "each"};
    fs::create_directories(sink.folder);
    auto supply = [](void* user, UInt32 index, ISequentialOutStream** out) -> HRESULT {
        auto* s = static_cast<Sink*>(user);
        s->asked.push_back(index);
        auto* file = new TFileStream(WinPath(s->folder / std::to_string(index)), fmCreate);
        *out = new T7zStream(file, soOwned);
        (*out)->AddRef();
        return S_OK;
    };
    const UInt32 second[] = {1};
    reader->ExtractItems(second, 1, false, &sink, supply);
    EXPECT_EQ(sink.asked, std::vector<UInt32>{1});
    reader->ExtractAll(false, &sink, supply);
    EXPECT_EQ(sink.asked, (std::vector<UInt32>{1, 0, 1}));
    EXPECT_EQ(ReadFile(sink.folder / "0"), ReadFile(source_ / "f1.txt"));
    EXPECT_EQ(ReadFile(sink.folder / "1"), ReadFile(source_ / "f2.txt"));
}

} // namespace
