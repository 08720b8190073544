// The payload archive Vostrel.7z as the build made it, examined with the real 7z command:
// readable listing without the password, encrypted data, the members the installer relies
// on, no folder entries, balanced solid blocks, and programs that come out intact.
#include "PayloadLocations.h"
#include "PeFileReader.h"
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

using Record = std::map<std::string, std::string>;

// "7z l -slt" output: the archive's own record, then one record per member.
struct Listing {
    Record archive;
    std::vector<Record> members;
};

Listing parseListing(const std::string& output) {
    Listing listing;
    std::istringstream in(output);
    std::string line;
    Record* current = nullptr;
    bool inMembers = false;
    while (std::getline(in, line)) {
        if (line == "--") {
            current = &listing.archive;
            continue;
        }
        if (line.starts_with("----------")) {
            inMembers = true;
            current = nullptr;
            continue;
        }
        const size_t equals = line.find(" = ");
        if (equals == std::string::npos) {
            if (inMembers)
                current = nullptr;
            continue;
        }
        if (inMembers && current == nullptr)
            current = &listing.members.emplace_back();
        if (current != nullptr)
            (*current)[line.substr(0, equals)] = line.substr(equals + 3);
    }
    return listing;
}

class PayloadArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const ProgramResult result = RunProgram({SEVENZIP_COMMAND, "l", "-slt", PAYLOAD_ARCHIVE});
        ASSERT_EQ(result.exitCode, 0) << result.output;
        listing_ = new Listing(parseListing(result.output));
    }
    static void TearDownTestSuite() {
        delete listing_;
        listing_ = nullptr;
    }
    static const Listing& listing() { return *listing_; }

    static std::string password() { return PAYLOAD_PASSWORD; }

private:
    static inline Listing* listing_ = nullptr;
};

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_F(PayloadArchive, ListsWithoutThePasswordAndEveryMemberIsEncrypted) {
    ASSERT_EQ(listing().archive.at("Type"), "7z");
    ASSERT_FALSE(listing().members.empty());
    for (const auto& member : listing().members)
        EXPECT_EQ(member.at("Encrypted"), "+") << member.at("Path");
}

TEST_F(PayloadArchive, HoldsTheInstallersRootMembersAndNoFolderEntries) {
    std::set<std::string> root;
    std::set<std::string> topFolders;
    for (const auto& member : listing().members) {
        const std::string& path = member.at("Path");
        // Windows attributes first ("D" marks a folder entry), then the Unix mode.
        const std::string& attributes = member.at("Attributes");
        EXPECT_EQ(attributes.substr(0, attributes.find(' ')), "A") << path;
        EXPECT_EQ(member.at("Modified"), "2012-06-18 09:30:00.0000000") << path;
        const size_t slash = path.find('/');
        if (slash == std::string::npos)
            root.insert(path);
        else
            topFolders.insert(path.substr(0, slash));
    }
    EXPECT_EQ(root.size(), 10u);
    for (const char* name : {"mervo.exe", "npmervo.dll", "UnInstall.exe"})
        EXPECT_TRUE(root.contains(name)) << name;
    EXPECT_EQ(topFolders, std::set<std::string>{"Modules"});
}

TEST_F(PayloadArchive, HasTheSizeOfARealProduct) {
    uint64_t unpacked = 0;
    for (const auto& member : listing().members)
        unpacked += std::stoull(member.at("Size"));
    const uint64_t packed = fs::file_size(PAYLOAD_ARCHIVE);
    EXPECT_GE(listing().members.size(), 150u);
    EXPECT_LE(listing().members.size(), 220u);
    EXPECT_GE(unpacked, 80'000'000u);
    EXPECT_LE(unpacked, 95'000'000u);
    EXPECT_GE(packed, 22'000'000u);
    EXPECT_LE(packed, 30'000'000u);
}

TEST_F(PayloadArchive, PacksProgramsThroughBcjAndTheRestPlainInBalancedSolidBlocks) {
    EXPECT_EQ(listing().archive.at("Solid"), "+");
    std::map<std::string, std::set<std::string>> methodsByBlock;
    std::map<std::string, uint64_t> sizeByBlock;
    for (const auto& member : listing().members) {
        const std::string& path = member.at("Path");
        const std::string& method = member.at("Method");
        methodsByBlock[member.at("Block")].insert(method);
        sizeByBlock[member.at("Block")] += std::stoull(member.at("Size"));
        const bool program = path.ends_with(".exe") || path.ends_with(".dll");
        // A 4 MiB dictionary: two decoders at once need less than one 16 MiB one.
        EXPECT_EQ(method, program ? "BCJ LZMA:22 7zAES:19" : "LZMA:22 7zAES:19") << path;
    }
    // Enough blocks for the decoders of a few cores, none much larger than another.
    EXPECT_GE(methodsByBlock.size(), 4u);
    EXPECT_LE(methodsByBlock.size(), 8u);
    EXPECT_EQ(listing().archive.at("Blocks"), std::to_string(methodsByBlock.size()));
    for (const auto& [block, methods] : methodsByBlock)
        EXPECT_EQ(methods.size(), 1u) << "block " << block << " mixes methods";
    const auto [smallest, largest] =
        std::minmax_element(sizeByBlock.begin(), sizeByBlock.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; });
    EXPECT_LE(largest->second, 16u << 20);
    EXPECT_GE(smallest->second * 2, largest->second);
}

TEST_F(PayloadArchive, TestsCleanWithThePasswordAndFailsWithAWrongOne) {
    const ProgramResult good =
        RunProgram({SEVENZIP_COMMAND, "t", "-p" + password(), PAYLOAD_ARCHIVE});
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_NE(good.output.find("Everything is Ok"), std::string::npos);

    const ProgramResult wrong =
        RunProgram({SEVENZIP_COMMAND, "t", "-pqhtrwel", PAYLOAD_ARCHIVE, "npmervo.dll"});
    EXPECT_NE(wrong.exitCode, 0);
    EXPECT_NE(wrong.output.find("Wrong password"), std::string::npos) << wrong.output;
}

TEST_F(PayloadArchive, ProgramsComeOutAsTheGeneratorMadeThem) {
    std::string pattern = (fs::temp_directory_path() / "payload-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const ProgramResult extracted =
        RunProgram({SEVENZIP_COMMAND, "x", "-p" + password(), "-o" + folder.string(),
                    PAYLOAD_ARCHIVE, "mervo.exe", "npmervo.dll", "UnInstall.exe"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;

    for (const char* name : {"mervo.exe", "npmervo.dll", "UnInstall.exe"}) {
        const std::vector<uint8_t> bytes = readFile(folder / name);
        EXPECT_EQ(bytes, readFile(fs::path(PRODUCT_DIR) / name)) << name;
        const PeFileReader pe(bytes);
        EXPECT_EQ(pe.machine(), 0x8664) << name; // x86-64
        EXPECT_EQ(pe.fixedVersion().signature, 0xFEEF04BDu) << name;
    }
    EXPECT_EQ(PeFileReader(readFile(folder / "mervo.exe")).fixedVersion().fileVersionText(),
              "3.5.0.61");
    fs::remove_all(folder);
}
