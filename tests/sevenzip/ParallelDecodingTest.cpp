// Extraction on several decoder threads: how blocks are dealt out, how the decoders' progress
// and failures reach the calling thread, and that the trees come out as "7z x" makes them.
#include "SevenZipTesting.h"

#include "sevenzip/LibraryResult.h"
#include "sevenzip/ParallelDecoding.h"
#include "sevenzip/T7zInArchive.h"
#include "support/RaisedMessage.h"
#include "support/TestArchive.h"

#ifdef HAS_PAYLOAD_ARCHIVE
#include "PayloadArchive.h"
#endif

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <thread>

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

struct DealCase {
    std::vector<UInt64> sizes;
    unsigned decoders;
    std::vector<std::vector<size_t>> dealt;
};

TEST(DealBlocks, GivesTheLargestBlocksFirstToTheLightestDecoder) {
    const DealCase cases[] = {
        {{}, 2, {}},
        {{5}, 4, {{0}}},
        {{1, 1, 1}, 0, {{0, 1, 2}}},
        {{10, 10, 10, 10}, 2, {{0, 2}, {1, 3}}},
        // 9 and 8 open the two loads; 4 joins the 8, 3 the 9: 12 and 12.
        {{3, 9, 4, 8}, 2, {{0, 1}, {2, 3}}},
        // Today's two blocks on two decoders: one each, however unequal.
        {{13, 73}, 2, {{1}, {0}}},
        {{15, 15, 15, 15, 11, 12}, 2, {{0, 2, 5}, {1, 3, 4}}},
        {{7, 7, 7}, 4, {{0}, {1}, {2}}},
    };
    for (const DealCase& c : cases)
        EXPECT_EQ(DealBlocks(c.sizes, c.decoders), c.dealt)
            << c.sizes.size() << " blocks on " << c.decoders;
}

struct Report {
    bool total;
    Int64 value;
    std::thread::id thread;
};

HRESULT Record(void* user, bool total, Int64 value) {
    static_cast<std::vector<Report>*>(user)->push_back({total, value, std::this_thread::get_id()});
    return S_OK;
}

// A decoder of `size` bytes that reports its total and then its count in steps of `step`; it
// stops, as the library does, at the first report that is refused.
void FakeDecode(UInt64 size, UInt64 step, void* user, ProgressCallback progress) {
    CheckLibraryResult(progress(user, true, static_cast<Int64>(size)));
    for (UInt64 done = step; done <= size; done += step) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        CheckLibraryResult(progress(user, false, static_cast<Int64>(done)));
    }
}

TEST(DecodeInParallel, ReportsOneTotalThenGrowingSumsOnTheCallingThreadEndingAtTheTotal) {
    const std::vector<std::vector<UInt32>> sets = {{0}, {1}, {2}};
    const UInt64 sizes[] = {3000, 1000, 6000};
    std::vector<Report> reports;
    DecodeInParallel(
        sets,
        [&](const std::vector<UInt32>& items, void* user, ProgressCallback progress) {
            FakeDecode(sizes[items[0]], 100, user, progress);
        },
        &reports, Record);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_TRUE(reports.front().total);
    EXPECT_EQ(reports.front().value, 10000);
    Int64 position = 0;
    for (size_t i = 1; i < reports.size(); ++i) {
        EXPECT_FALSE(reports[i].total);
        EXPECT_GT(reports[i].value, position);
        position = reports[i].value;
    }
    EXPECT_EQ(position, 10000);
    for (const Report& report : reports)
        EXPECT_EQ(report.thread, std::this_thread::get_id());
}

TEST(DecodeInParallel, TheFirstFailureStopsTheOtherDecodersAndIsRaised) {
    const std::vector<std::vector<UInt32>> sets = {{0}, {1}, {2}};
    std::atomic<int> stopped{0};
    std::vector<Report> reports;
    const std::string error = testing_support::RaisedMessage([&] {
        DecodeInParallel(
            sets,
            [&](const std::vector<UInt32>& items, void* user, ProgressCallback progress) {
                if (items[0] == 1) {
                    FakeDecode(1000, 100, user, progress);
                    throw Exception("block 1 is damaged");
                }
                // Far more work than the failing decoder: only the stop ends it in time.
                try {
                    FakeDecode(100'000'000, 1, user, progress);
                } catch (const Exception&) {
                    ++stopped;
                    throw;
                }
            },
            &reports, Record);
    });
    EXPECT_EQ(error, "block 1 is damaged");
    EXPECT_EQ(stopped, 2);
}

HRESULT RefuseCounts(void*, bool total, Int64) {
    return total ? S_OK : E_ABORT;
}

TEST(DecodeInParallel, AProgressCallbackThatRefusesStopsEveryDecoder) {
    std::atomic<int> stopped{0};
    const std::string error = testing_support::RaisedMessage([&] {
        DecodeInParallel(
            {{0}, {1}},
            [&](const std::vector<UInt32>&, void* user, ProgressCallback progress) {
                try {
                    FakeDecode(100'000'000, 1, user, progress);
                } catch (const Exception&) {
                    ++stopped;
                    throw;
                }
            },
            nullptr, RefuseCounts);
    });
    EXPECT_EQ(error, testing_support::RaisedMessage([] { CheckLibraryResult(E_ABORT); }));
    EXPECT_EQ(stopped, 2);
}

// Every file and folder under folder, by its path relative to it: a file's size and a hash
// of its content, a folder's nothing.
std::map<std::string, std::pair<size_t, size_t>> Tree(const fs::path& folder) {
    std::map<std::string, std::pair<size_t, size_t>> tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_directory()) {
            tree[name + "/"] = {};
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
        tree[name] = {content.size(), std::hash<std::string>{}(content)};
    }
    return tree;
}

class ParallelExtraction : public SevenZipTest {
protected:
    // Extracts archive into out on `threads` decoder threads, noting the progress reports.
    std::string Extract(const fs::path& archive, const std::wstring& password, unsigned threads,
                        const fs::path& out, std::vector<Report>& reports) {
        ComPtr<T7zInArchive> reader(new T7zInArchive(WinPath(LibraryFile())));
        reader->SetClassId(CLSID_CFormat7z);
        reader->SetDecoderThreads(threads);
        reader->SetPassword(password);
        reader->SetProgressCallback(&reports, Record);
        reader->OpenFile(WinPath(archive));
        return ErrorOf([&] { reader->ExtractTo(WinPath(out)); });
    }

    // On 1, 2 and 4 threads: the tree "7z x" makes, and a bar that only moves forward and
    // ends at its maximum.
    void ExpectTreesOf7z(const fs::path& archive, const std::string& password) {
        const fs::path expected = root_ / "7z-x";
        testing_support::Run7zExtract(archive.string(), password, expected.string());
        const auto expectedTree = Tree(expected);
        for (unsigned threads : {1u, 2u, 4u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const fs::path out = root_ / ("out" + std::to_string(threads));
            std::vector<Report> reports;
            ASSERT_EQ(Extract(archive, std::wstring(password.begin(), password.end()), threads, out,
                              reports),
                      "<no error>");
            EXPECT_EQ(Tree(out), expectedTree);
            ASSERT_FALSE(reports.empty());
            EXPECT_TRUE(reports.front().total);
            Int64 position = 0;
            for (size_t i = 1; i < reports.size(); ++i) {
                EXPECT_FALSE(reports[i].total);
                EXPECT_GE(reports[i].value, position);
                position = reports[i].value;
            }
            EXPECT_EQ(position, reports.front().value);
            fs::remove_all(out);
        }
    }

    // Ten files of 150 kB, three to a block, so four blocks.
    fs::path BlockArchive(const std::string& switches) {
        const fs::path source = root_ / "src";
        std::string members;
        for (int i = 0; i < 10; ++i) {
            const std::string name = "f" + std::to_string(i) + ".txt";
            WriteFile(source / (i < 5 ? "" : "sub") / name, SampleContent(name, 150000));
            members += i < 5 ? " " + name : "";
        }
        const fs::path archive = root_ / "blocks.7z";
        MakeArchive(archive, "-ppayload -mhe=off -ms=3f " + switches, source, members + " sub");
        return archive;
    }
};

TEST_F(ParallelExtraction, AnArchiveOfFourBlocksComesOutAs7zMakesIt) {
    ExpectTreesOf7z(BlockArchive("-mx=1"), "payload");
}

TEST_F(ParallelExtraction, ThePayloadComesOutAs7zMakesIt) {
#ifdef HAS_PAYLOAD_ARCHIVE
    ExpectTreesOf7z(PAYLOAD_ARCHIVE, PAYLOAD_PASSWORD);
#else
    GTEST_SKIP() << "the build made no payload";
#endif
}

TEST_F(ParallelExtraction, ItemsThatLandOnOneFileAreWrittenInTheArchivesOrder) {
    // "X.txt" follows a large file in the first block, "x.txt" has the second block to itself:
    // on two threads the earlier item would be written last.
    const fs::path source = root_ / "src";
    WriteFile(source / "0big.txt", SampleContent("big", 3000000));
    WriteFile(source / "X.txt", "the earlier item");
    WriteFile(source / "x.txt", "the later item");
    const fs::path archive = root_ / "case.7z";
    MakeArchive(archive, "-ppayload -mhe=off -mx=1 -ms=2f -mqs", source, "0big.txt X.txt x.txt");
    for (unsigned threads : {1u, 2u}) {
        const fs::path out = root_ / ("out" + std::to_string(threads));
        std::vector<Report> reports;
        ASSERT_EQ(Extract(archive, L"payload", threads, out, reports), "<no error>");
        EXPECT_EQ(Tree(out).size(), 2u);
        const fs::path written = fs::exists(out / "X.txt") ? out / "X.txt" : out / "x.txt";
        EXPECT_EQ(ReadFile(written), "the later item") << threads << " threads";
    }
}

TEST_F(ParallelExtraction, ADamagedBlockLeavesTheFolderAsItWas) {
    // Stored, so the data lies in the archive as it is: damage the last block's.
    const fs::path archive = BlockArchive("-mx=0");
    {
        std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(32 + 9 * 150000 + 1000);
        file.write(std::string(64, '\x5a').data(), 64);
    }
    const fs::path out = root_ / "out";
    WriteFile(out / "F1.TXT", "earlier f1");
    WriteFile(root_ / "before" / "F1.TXT", "earlier f1");
    std::vector<Report> reports;
    EXPECT_THAT(Utf8(AnsiString(Extract(archive, L"payload", 4, out, reports))),
                HasSubstr("安装包已损坏"));
    EXPECT_EQ(Tree(out), Tree(root_ / "before"));
}

} // namespace
