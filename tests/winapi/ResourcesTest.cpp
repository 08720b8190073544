#include "support/TempSystemRoot.h"

#include "winapi/kernel32.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

std::string Resource(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, RT_RCDATA);
    if (!resource)
        return "";
    const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
    return std::string(data, SizeofResource(nullptr, resource));
}

std::string DataFile(const char* name) {
    return testing_support::ReadLinuxFile(std::string(TEST_DATA_DIR) + "/" + name).value_or("?");
}

// The output of a command line, or "exit <status>" when it fails.
std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "cannot run";
    std::array<char, 256> buffer{};
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0
               ? output
               : "exit " + std::to_string(WEXITSTATUS(status));
}

} // namespace

TEST(Resources, NamesMatchWithoutRegardToCase) {
    HRSRC f7z = FindResourceA(nullptr, "F7z", RT_RCDATA);
    ASSERT_NE(f7z, nullptr);
    for (const char* name : {"F7Z", "f7z", "f7Z"})
        EXPECT_EQ(FindResourceA(nullptr, name, RT_RCDATA), f7z) << name;
    HRSRC f1 = FindResourceA(GetModuleHandleA(nullptr), "f1", RT_RCDATA);
    EXPECT_EQ(FindResourceA(nullptr, "F1", RT_RCDATA), f1);
    EXPECT_NE(f1, f7z);
}

TEST(Resources, DataIsWholeAndByteForByte) {
    EXPECT_EQ(Resource("F1"), DataFile("f1.txt"));
    EXPECT_EQ(Resource("F7z"), DataFile("f7z.txt"));
    // A second pack of the same executable is found as well.
    EXPECT_EQ(Resource("licence"), DataFile("licence.txt"));
}

TEST(Resources, DataIsReadInPlaceFromTheExecutable) {
    const void* data = LockResource(LoadResource(nullptr, FindResourceA(nullptr, "F1", RT_RCDATA)));
    ASSERT_NE(data, nullptr);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::ifstream maps("/proc/self/maps");
    std::string line;
    bool mappedFromExecutable = false;
    while (std::getline(maps, line)) {
        unsigned long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx", &start, &end) != 2)
            continue;
        const auto address = reinterpret_cast<unsigned long>(data);
        if (address >= start && address < end)
            mappedFromExecutable = line.ends_with(self);
    }
    EXPECT_TRUE(mappedFromExecutable);
}

TEST(Resources, DataOfEveryPackStartsOnAPage) {
    // Page-aligned data lets the kernel copy a resource out of the file without reading it.
    for (const char* name : {"F1", "F7z", "licence"}) {
        const void* data =
            LockResource(LoadResource(nullptr, FindResourceA(nullptr, name, RT_RCDATA)));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 4096, 0u) << name;
    }
}

TEST(Resources, MissingResourcesSayWhatIsMissing) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, "F2", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceA(nullptr, "F1", MAKEINTRESOURCEA(3)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(FindResourceA(GetModuleHandleA("kernel32.dll"), "F1", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST(Resources, AStrippedCopyElsewhereStillCarriesThem) {
    testing_support::TempSystemRoot scratch;
    const std::string copy = scratch.Folder() + "/probe-copy";
    fs::copy_file(RESOURCE_PROBE_PATH, copy);
    const std::string expected = "F1 " + std::to_string(DataFile("f1.txt").size()) + " " +
                                 DataFile("f1.txt") + "f7z " +
                                 std::to_string(DataFile("f7z.txt").size()) + " " +
                                 DataFile("f7z.txt") + "F2 missing 1814\n";
    EXPECT_EQ(RunCommand(copy + " F1 f7z F2"), expected);
    ASSERT_EQ(RunCommand(std::string(STRIP_PROGRAM) + " --strip-all " + copy), "");
    EXPECT_LT(fs::file_size(copy), fs::file_size(RESOURCE_PROBE_PATH));
    EXPECT_EQ(RunCommand(copy + " F1 f7z F2"), expected);
}
