// A vendor's own product tree (-DVOSTREL_PRODUCT_DIR): a separate build of the project packs
// exactly that tree's files into the payload, and refuses a tree without the setup's programs.
#include "PayloadLocations.h"
#include "RunProgram.h"
#include "support/TempSystemRoot.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testing_support::WriteLinuxFile;

class CustomProductTree : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vendor-tree-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        for (const char* name : {"mervo.exe", "npmervo.dll", "UnInstall.exe"})
            WriteLinuxFile(folder_ + "/tree/" + name, std::string("vendor ") + name);
        WriteLinuxFile(folder_ + "/tree/data/保存.txt", "vendor data");
    }
    void TearDown() override { fs::remove_all(folder_); }
    ProgramResult Configure() const {
        return RunProgram({"cmake", "-S", SOURCE_ROOT, "-B", folder_ + "/build", "-G", "Ninja",
                           "-DVOSTREL_PRODUCT_DIR=" + folder_ + "/tree"});
    }
    std::string folder_;
};

TEST_F(CustomProductTree, ThePayloadHoldsTheVendorsFilesAsTheyAre) {
    const ProgramResult configured = Configure();
    ASSERT_EQ(configured.exitCode, 0) << configured.output;
    const ProgramResult built = RunProgram({"ninja", "-C", folder_ + "/build", "-j1", "payload"});
    ASSERT_EQ(built.exitCode, 0) << built.output;
    const std::string archive = folder_ + "/build/resources/Vostrel.7z";
    const ProgramResult extracted = RunProgram({SEVENZIP_COMMAND, "x", "-p" PAYLOAD_PASSWORD,
                                                "-o" + folder_ + "/out", "-scsUTF-8", archive});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder_ + "/out"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 4u);
    EXPECT_EQ(testing_support::ReadLinuxFile(folder_ + "/out/mervo.exe"), "vendor mervo.exe");
    EXPECT_EQ(testing_support::ReadLinuxFile(folder_ + "/out/data/保存.txt"), "vendor data");
}

TEST_F(CustomProductTree, ATreeWithoutTheUninstallerIsRefused) {
    fs::remove(folder_ + "/tree/UnInstall.exe");
    const ProgramResult configured = Configure();
    EXPECT_NE(configured.exitCode, 0);
    // CMake wraps its messages: read the words with single spaces between them.
    std::string words;
    for (const char c : configured.output)
        if (!std::isspace(static_cast<unsigned char>(c)) || (!words.empty() && words.back() != ' '))
            words += std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
    EXPECT_NE(
        words.find("VOSTREL_PRODUCT_DIR " + folder_ + "/tree has no UnInstall.exe in its root"),
        std::string::npos)
        << configured.output;
}

} // namespace
