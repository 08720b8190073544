// reseal-7z and its library: archives packed twice from one tree come out byte for byte the
// same, still test clean with the real 7z command and unpack to the same tree; damaged
// archives, headers it cannot read and a wrong password are refused with their reason.
#include "ArchiveResealer.h"
#include "PayloadLocations.h"
#include "RunProgram.h"
#include "SevenZipFolders.h"
#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace {

namespace fs = std::filesystem;
using testing_support::ReadLinuxFile;
using testing_support::WriteLinuxFile;

using Bytes = std::vector<uint8_t>;

const std::string kPassword = "qhtrwel$$";

Bytes ReadBytes(const std::string& path) {
    const std::optional<std::string> text = ReadLinuxFile(path);
    EXPECT_TRUE(text.has_value()) << path;
    return text ? Bytes(text->begin(), text->end()) : Bytes{};
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    WriteLinuxFile(path, std::string(bytes.begin(), bytes.end()));
}

std::map<std::string, std::string> TreeFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = *ReadLinuxFile(entry.path());
    return files;
}

// The message ResealArchive throws, or "" when it succeeds.
std::string ResealError(Bytes archive, const std::string& password) {
    try {
        ResealArchive(archive, password);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

// Where the archive's start header says its header lies.
SevenZipFolders HeaderPlace(const Bytes& archive) {
    SevenZipFolders place;
    for (size_t i = 8; i-- > 0;) {
        place.headerOffset = place.headerOffset << 8 | archive[12 + i];
        place.headerSize = place.headerSize << 8 | archive[20 + i];
    }
    place.headerOffset += 32;
    return place;
}

size_t Find(const Bytes& bytes, const Bytes& pattern, size_t from = 0) {
    const auto found = std::search(bytes.begin() + static_cast<ptrdiff_t>(from), bytes.end(),
                                   pattern.begin(), pattern.end());
    EXPECT_NE(found, bytes.end());
    return static_cast<size_t>(found - bytes.begin());
}

class ArchiveReseal : public testing_support::SystemRootTest {
protected:
    void SetUp() override {
        std::mt19937 random(7);
        std::string noise(24 * 1024, '\0');
        for (char& c : noise)
            c = static_cast<char>(random() % 40); // compressible, but not trivially
        std::string text;
        for (int line = 0; line < 300; ++line)
            text += "line " + std::to_string(line * line) + " of the read-me\n";
        WriteLinuxFile(Tree() + "/readme.txt", text);
        WriteLinuxFile(Tree() + "/player.exe", noise);
        WriteLinuxFile(Tree() + "/Modules/codec.dll", noise.substr(1000) + text);
        WriteLinuxFile(Tree() + "/Modules/skins/blue.ini", "[skin]\ncolour=blue\n");
        WriteLinuxFile(Tree() + "/Modules/skins/red.ini", "[skin]\ncolour=red\n");
        WriteLinuxFile(Tree() + "/empty.txt", "");
    }

    std::string Tree() const { return systemRoot.Folder() + "/tree"; }

    // 7z a over the whole tree, into a new archive; returns its bytes.
    Bytes Pack(const std::string& name, const std::vector<std::string>& switches,
               const std::vector<std::string>& members = {"readme.txt", "player.exe", "Modules",
                                                          "empty.txt"}) const {
        const std::string archive = systemRoot.Folder() + "/" + name;
        fs::remove(archive);
        std::vector<std::string> command = {SEVENZIP_COMMAND, "a",     "-t7z",          "-bd",
                                            "-bso0",          "-bsp0", "-p" + kPassword};
        command.insert(command.end(), switches.begin(), switches.end());
        command.push_back(archive);
        command.insert(command.end(), members.begin(), members.end());
        const ProgramResult packed = RunProgram(command, Tree());
        EXPECT_EQ(packed.exitCode, 0) << packed.output;
        return ReadBytes(archive);
    }

    // A one-file archive whose header the error cases edit byte by byte.
    Bytes SmallArchive() const {
        return Pack("small.7z", {"-m0=LZMA:d=1m", "-mhc=off"}, {"Modules/skins/red.ini"});
    }
};

struct PackingCase {
    const char* name;
    std::vector<std::string> switches;
    size_t folders; // encrypted folders 7z makes of the five files with data
};

class ArchiveResealPackings : public ArchiveReseal,
                              public ::testing::WithParamInterface<PackingCase> {};

} // namespace

TEST_P(ArchiveResealPackings, TwoPackingsOfOneTreeComeOutTheSameAndUnpackToIt) {
    const PackingCase& packing = GetParam();
    Bytes first = Pack("first.7z", packing.switches);
    Bytes second = Pack("second.7z", packing.switches);
    ASSERT_NE(first, second) << "7z drew the same initialisation vectors twice";
    EXPECT_EQ(ReadSevenZipFolders(first).encrypted.size(), packing.folders);

    ResealArchive(first, kPassword);
    ResealArchive(second, kPassword);
    EXPECT_EQ(first, second);

    const std::string archive = systemRoot.Folder() + "/sealed.7z";
    WriteBytes(archive, first);
    const ProgramResult tested = RunProgram({SEVENZIP_COMMAND, "t", "-p" + kPassword, archive});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    EXPECT_NE(tested.output.find("Everything is Ok"), std::string::npos) << tested.output;
    const std::string out = systemRoot.Folder() + "/out";
    const ProgramResult extracted =
        RunProgram({SEVENZIP_COMMAND, "x", "-p" + kPassword, "-o" + out, archive});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    EXPECT_EQ(TreeFiles(out), TreeFiles(Tree()));
}

INSTANTIATE_TEST_SUITE_P(
    Chains, ArchiveResealPackings,
    ::testing::Values(
        PackingCase{
            "BcjLzmaTwoFilesPerSolidBlock", {"-m0=BCJ", "-m1=LZMA:d=1m", "-ms=2f", "-mhc=off"}, 3},
        PackingCase{"Lzma2OneBlockPerFile", {"-m0=LZMA2:d=1m", "-ms=off", "-mhc=off"}, 5},
        PackingCase{"PayloadSwitches", {"-m0=LZMA:d=1m", "-mmt=on", "-mhe=off", "-mhc=off"}, 1}),
    [](const ::testing::TestParamInfo<PackingCase>& packing) {
        return std::string(packing.param.name);
    });

TEST_F(ArchiveReseal, ResealingTwiceChangesNothing) {
    Bytes once = SmallArchive();
    ResealArchive(once, kPassword);
    Bytes twice = once;
    ResealArchive(twice, kPassword);
    EXPECT_EQ(once, twice);
}

TEST_F(ArchiveReseal, HeadersItCannotReadAreRefused) {
    EXPECT_EQ(ResealError(Pack("packed.7z", {"-m0=LZMA:d=1m"}), kPassword),
              "the archive's header is packed; this tool reads plain headers (7z a -mhc=off)");
    EXPECT_EQ(ResealError(Pack("encrypted.7z", {"-m0=LZMA:d=1m", "-mhe=on"}), kPassword),
              "the archive's header is encrypted; this tool reads plain headers "
              "(7z a -mhe=off -mhc=off)");
}

TEST_F(ArchiveReseal, AWrongPasswordIsRefused) {
    // Sealed first, so the wrong key meets the same bytes on every run.
    Bytes lzma = SmallArchive();
    ResealArchive(lzma, kPassword);
    EXPECT_EQ(ResealError(lzma, "qhtrwel$"),
              "folder 1: wrong password (the data do not decrypt to what 7-Zip wrote)");
    Bytes lzma2 = Pack("lzma2.7z", {"-m0=LZMA2:d=1m", "-mhc=off"});
    ResealArchive(lzma2, kPassword);
    EXPECT_EQ(ResealError(lzma2, "qhtrwel$"),
              "folder 1: wrong password (the data do not decrypt to what 7-Zip wrote)");
    EXPECT_EQ(ResealError(lzma, "\xff"), "the password is not UTF-8 text");
}

struct DamageCase {
    const char* name;
    // Edits the archive; header is the offset of its (plain) header, aes that of the 7zAES
    // method id in it. The CRCs are brought up to date afterwards when crcs is set.
    std::function<void(Bytes& archive, size_t header, size_t aes)> damage;
    bool crcs;
    const char* message;
};

TEST_F(ArchiveReseal, DamagedArchivesAreRefusedWithTheirFault) {
    const Bytes pristine = SmallArchive();
    ASSERT_EQ(ResealError(pristine, kPassword), "");
    const size_t header = HeaderPlace(pristine).headerOffset;
    // Pack info with one-byte numbers: 01 04 06 <position> 01 09 <size>.
    ASSERT_EQ(Bytes(pristine.begin() + header, pristine.begin() + header + 6),
              (Bytes{0x01, 0x04, 0x06, 0x00, 0x01, 0x09}));
    const size_t aesMethod = Find(pristine, {0x06, 0xF1, 0x07, 0x01}, header);

    const std::vector<DamageCase> cases = {
        {"signature", [](Bytes& a, size_t, size_t) { a[0] = 'P'; }, false, "not a 7z archive"},
        {"short file", [](Bytes& a, size_t, size_t) { a.resize(a.size() - 1); }, false,
         "damaged archive: the header lies outside the file"},
        {"start header", [](Bytes& a, size_t, size_t) { a[20] ^= 1; }, false,
         "damaged archive: the start header's CRC does not match"},
        {"header byte", [](Bytes& a, size_t, size_t) { a.back() ^= 1; }, false,
         "damaged archive: the header's CRC does not match"},
        {"header cut short",
         [](Bytes& a, size_t h, size_t aes) {
             a[20] = static_cast<uint8_t>(Find(a, {0x03, 0x01, 0x01}, aes) + 1 - h);
         },
         true, "damaged archive: the header ends early"},
        {"pack position", [](Bytes& a, size_t h, size_t) { a[h + 3] = 0x7F; }, true,
         "damaged archive: a packed stream lies outside the archive's data"},
        {"pack size", [](Bytes& a, size_t h, size_t) { a[h + 6] -= 1; }, true,
         "damaged archive: the packed stream of folder 1 is not its data in whole AES blocks"},
        {"coder flags", [](Bytes& a, size_t, size_t aes) { a[aes - 1] |= 0x80; }, true,
         "damaged archive: the header's folder list is inconsistent"},
        {"round count", [](Bytes& a, size_t, size_t aes) { a[aes + 5] = 0x40 | 30; }, true,
         "unsupported 7zAES properties"},
        // The bind pair after the LZMA coder: the 7zAES coder now reads the LZMA output.
        {"bind pair",
         [](Bytes& a, size_t, size_t aes) {
             const size_t pair = Find(a, {0x03, 0x01, 0x01, 0x05}, aes) + 9;
             a[pair] = 0x00;
             a[pair + 1] = 0x01;
         },
         true, "folder 1: the 7zAES coder does not read a packed stream"},
    };
    for (const DamageCase& damage : cases) {
        Bytes archive = pristine;
        damage.damage(archive, header, aesMethod);
        if (damage.crcs)
            UpdateHeaderCrcs(archive, HeaderPlace(archive));
        EXPECT_EQ(ResealError(archive, kPassword), damage.message) << damage.name;
    }
}

TEST_F(ArchiveReseal, TheToolReplacesItsOutputOnlyWithAWholeArchive) {
    const std::string archive = systemRoot.Folder() + "/small.7z";
    Bytes expected = SmallArchive();
    ResealArchive(expected, kPassword);
    const ProgramResult sealed = RunProgram({RESEAL_7Z, "-p" + kPassword, archive, archive});
    ASSERT_EQ(sealed.exitCode, 0) << sealed.output;
    EXPECT_EQ(ReadBytes(archive), expected);

    const std::string output = systemRoot.Folder() + "/output.7z";
    WriteLinuxFile(output, "earlier");
    WriteLinuxFile(archive, "not an archive");
    const ProgramResult refused = RunProgram({RESEAL_7Z, "-p" + kPassword, archive, output});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.output, "reseal-7z: not a 7z archive\n");
    EXPECT_EQ(ReadLinuxFile(output), "earlier");
    const ProgramResult missing =
        RunProgram({RESEAL_7Z, "-p" + kPassword, archive + ".gone", output});
    EXPECT_EQ(missing.output, "reseal-7z: cannot read " + archive + ".gone\n");
    for (const auto& entry : fs::directory_iterator(systemRoot.Folder()))
        EXPECT_EQ(entry.path().filename().string().find(".7z."), std::string::npos)
            << "left behind: " << entry.path();
}
