// Extraction into a folder is all or nothing: a failure part-way removes what the extraction
// created and puts back what it replaced.
#include "SevenZipTesting.h"

#include "sevenzip/ExtractionJournal.h"
#include "winapi/SystemRoot.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sys/resource.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

namespace {

const char kPasswordSwitch[] = "-ppayload -mhe=off -mx0 -ms=off";

// A file size limit stands in for a full disk while it lives: writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousSignal_)(int);
};

class ExtractionRollback : public SevenZipTest {
protected:
    void SetUp() override {
        source_ = root_ / "src";
        out_ = root_ / "out";
        for (const char* name : {"f1.txt", "f2.txt", "f3.txt"})
            WriteFile(source_ / name, SampleContent(name, 200000));
        WriteFile(source_ / "d1" / "d2" / "deep.txt", SampleContent("deep", 5000));
        // What an earlier install left: one file the archive replaces, one it does not carry.
        WriteFile(out_ / "F1.TXT", "earlier f1");
        WriteFile(out_ / "mine.txt", "the user's own");
    }

    fs::path Archive() {
        fs::path archive = root_ / "payload.7z";
        MakeArchive(archive, kPasswordSwitch, source_, "f1.txt f2.txt f3.txt d1");
        return archive;
    }

    void Extract(const fs::path& archive, TExtractionJournal& journal) {
        ComPtr<I7zArchiveReader> reader = NewReader();
        reader->SetPassword(L"payload");
        reader->OpenFile(WinPath(archive));
        try {
            reader->ExtractTo(WinPath(out_), journal);
        } catch (...) {
            journal.Rollback();
            throw;
        }
    }

    // The folder exactly as the earlier install left it, and no set-aside copy in it.
    void ExpectUntouched() {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(out_))
            names.push_back(fs::relative(entry.path(), out_).string());
        EXPECT_EQ(Sorted(names), (std::vector<std::string>{"F1.TXT", "mine.txt"}));
        EXPECT_EQ(ReadFile(out_ / "F1.TXT"), "earlier f1");
        EXPECT_EQ(ReadFile(out_ / "mine.txt"), "the user's own");
    }

    fs::path source_;
    fs::path out_;
};

TEST_F(ExtractionRollback, ASuccessRecordsWhatItWroteAndLeavesNoSetAsideCopy) {
    TExtractionJournal journal;
    Extract(Archive(), journal);
    EXPECT_EQ(ReadFile(out_ / "F1.TXT"), ReadFile(source_ / "f1.txt"));
    EXPECT_EQ(ReadFile(out_ / "d1" / "d2" / "deep.txt"),
              ReadFile(source_ / "d1" / "d2" / "deep.txt"));
    const AnsiString folder = WinPath(out_) + "\\";
    EXPECT_EQ(Sorted(journal.WrittenFiles()),
              Sorted({folder + "F1.TXT", folder + "f2.txt", folder + "f3.txt",
                      folder + "d1\\d2\\deep.txt"}));
    EXPECT_EQ(journal.CreatedFolders(),
              (std::vector<std::string>{folder + "d1", folder + "d1\\d2"}));
    // Until the caller commits, the replaced file waits beside its successor.
    EXPECT_EQ(ReadFile(out_ / "F1.TXT.~old"), "earlier f1");
    journal.Commit();
    EXPECT_FALSE(fs::exists(out_ / "F1.TXT.~old"));
    // A later failure cannot undo a committed extraction.
    journal.Rollback();
    EXPECT_EQ(ReadFile(out_ / "F1.TXT"), ReadFile(source_ / "f1.txt"));
}

// A step after a successful extraction fails: the caller's rollback undoes the extraction too.
TEST_F(ExtractionRollback, ARollbackAfterASuccessPutsTheFolderBack) {
    TExtractionJournal journal;
    Extract(Archive(), journal);
    journal.Rollback();
    ExpectUntouched();
}

// What a killed run recorded is undone by a later journal that adopts it, and a set-aside
// name that never came into being leaves the file it names alone.
TEST_F(ExtractionRollback, AnAdoptedRecordIsUndoneLikeItsOwn) {
    std::vector<TExtractionJournal::Entry> recorded;
    {
        TExtractionJournal journal;
        journal.SetRecorder([&](const TExtractionJournal::Entry& entry) {
            // Each change is recorded before it is made.
            if (entry.kind == TExtractionJournal::Kind::ReplacedFile)
                EXPECT_FALSE(fs::exists(*winapi::ToLinuxPath(entry.setAside)));
            else
                EXPECT_FALSE(fs::exists(*winapi::ToLinuxPath(entry.path)));
            recorded.push_back(entry);
        });
        Extract(Archive(), journal);
    } // dropped without commit or rollback, as a killed run would leave it
    const AnsiString folder = WinPath(out_) + "\\";
    recorded.push_back(
        {TExtractionJournal::Kind::ReplacedFile, folder + "mine.txt", folder + "mine.txt.~old"});
    TExtractionJournal later;
    for (const auto& entry : recorded)
        later.Adopt(entry);
    later.Rollback();
    ExpectUntouched();
}

// A link found where an item's file belongs is set aside like a file and goes at the commit;
// the file it led to keeps its bytes and a missing one is not made. A link where a folder
// belongs or on the way to one is refused by name, and nothing is written through it.
TEST_F(ExtractionRollback, LinksInTheFoldersPlaceAreNeverWrittenThrough) {
    const fs::path victim = root_ / "victim";
    WriteFile(victim / "kept.txt", "kept");
    const fs::path archive = Archive();
    const struct {
        fs::path link;
        fs::path target;
    } fileLinks[] = {{out_ / "f2.txt", victim / "kept.txt"},
                     {out_ / "f3.txt", victim / "made.txt"},
                     {out_ / "F1.TXT.~old", victim / "made.txt"}};
    for (const auto& [link, target] : fileLinks)
        fs::create_symlink(target, link);
    TExtractionJournal journal;
    Extract(archive, journal);
    journal.Commit();
    EXPECT_EQ(ReadFile(out_ / "f2.txt"), ReadFile(source_ / "f2.txt"));
    EXPECT_EQ(ReadFile(out_ / "f3.txt"), ReadFile(source_ / "f3.txt"));
    EXPECT_FALSE(fs::is_symlink(out_ / "f2.txt"));
    EXPECT_FALSE(fs::is_symlink(out_ / "f3.txt"));
    EXPECT_EQ(ReadFile(victim / "kept.txt"), "kept");
    EXPECT_FALSE(fs::exists(victim / "made.txt"));

    // The link stands where d1 belongs, or on the way to d1\d2, which it leads to too.
    fs::remove_all(out_ / "d1");
    fs::create_symlink(victim, out_ / "d1");
    for (const bool withSubfolder : {false, true}) {
        SCOPED_TRACE(withSubfolder ? "on the way" : "in the folder's place");
        if (withSubfolder)
            fs::create_directories(victim / "d2");
        TExtractionJournal refused;
        EXPECT_EQ(ErrorOf([&] { Extract(archive, refused); }),
                  LinkedFolderMessage(WinPath(out_) + "\\d1"));
        EXPECT_EQ(ReadFile(victim / "kept.txt"), "kept");
        EXPECT_EQ(std::distance(fs::recursive_directory_iterator(victim),
                                fs::recursive_directory_iterator()),
                  withSubfolder ? 2 : 1);
    }
}

TEST_F(ExtractionRollback, ADamagedArchiveLeavesTheFolderAsItWas) {
    const fs::path archive = Archive();
    // Stored, so the second file's data lies past the first's: damage it there.
    {
        std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(32 + 200000 + 50000);
        file.write(std::string(64, '\x5a').data(), 64);
    }
    TExtractionJournal journal;
    EXPECT_THAT(Utf8(ErrorOf([&] { Extract(archive, journal); })), HasSubstr("安装包已损坏"));
    ExpectUntouched();
    EXPECT_TRUE(journal.WrittenFiles().empty());
}

TEST_F(ExtractionRollback, AFullDiskPutsBackTheReplacedFile) {
    const fs::path archive = Archive();
    LibraryFile(); // copied before the limit
    TExtractionJournal journal;
    std::string error;
    {
        FileSizeLimit limit(100000);
        error = ErrorOf([&] { Extract(archive, journal); });
    }
    EXPECT_NE(error, "<no error>");
    ExpectUntouched();
}

TEST_F(ExtractionRollback, AnItemNamedLikeTheLoadedLibraryFailsAsAFileInUse) {
    // The archive carries "7Z.DLL" and is unpacked into the library's own folder.
    WriteFile(source_ / "7Z.DLL", "not a library");
    const fs::path archive = root_ / "library.7z";
    MakeArchive(archive, kPasswordSwitch, source_, "f1.txt 7Z.DLL f3.txt");
    const fs::path library = LibraryFile();
    const std::string libraryBytes = ReadFile(library);
    out_ = library.parent_path();
    {
        ComPtr<I7zArchiveReader> reader = NewReader();
        reader->SetPassword(L"payload");
        reader->OpenFile(WinPath(archive));
        EXPECT_EQ(Utf8(AnsiString(ErrorOf([&] { reader->ExtractTo(WinPath(out_)); }))),
                  "Cannot create file \"" + WinPath(out_) +
                      "\\7z.dll\". 另一个程序正在使用此文件，进程无法访问。");
    }
    EXPECT_EQ(ReadFile(library), libraryBytes);
    EXPECT_FALSE(fs::exists(out_ / "f1.txt"));
    EXPECT_FALSE(fs::exists(out_ / "f3.txt"));
}

} // namespace
