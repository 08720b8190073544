// The demo product generator: the same manifest line always gives the same bytes, program
// files are 64-bit Windows images linked with the MinGW-w64 tools, each with its own version
// resource, and bad manifests are refused with the line at fault.
#include "PayloadLocations.h"
#include "PeFileReader.h"
#include "ProductFileGenerator.h"
#include "ProductInputs.h"
#include "ProductTreeWriter.h"
#include "RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <tuple>

namespace {

namespace fs = std::filesystem;

const ProductInputs& demoInputs() {
    static const ProductInputs inputs =
        ProductInputs::Load(SOURCE_ROOT "/resources/product", PRODUCT_PROGRAMS);
    return inputs;
}

const ProductFileEntry& demoFile(const std::string& path) {
    for (const auto& file : demoInputs().manifest.files)
        if (file.path == path)
            return file;
    throw std::runtime_error("no demo file " + path);
}

std::string parseError(const std::string& manifest) {
    try {
        ProductManifest::Parse(manifest);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

const std::string kSettings = "seed 7\nmtime 2012-06-18T09:30:00\nversion 1.0.0.1\n";

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "product-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

} // namespace

TEST(ProductGenerator, TheSameLineGivesTheSameBytesAndDistinctLinesDiffer) {
    for (const char* path :
         {"mervo.exe", "Modules\\codecs\\vdec07.dll", "Modules\\lang\\lang03.ini",
          "Modules\\skins\\Default.msk", "Modules\\skins\\Dark.xml", "Modules\\docs\\help02.txt"}) {
        const auto first = GenerateProductFile(demoFile(path), demoInputs());
        const auto second = GenerateProductFile(demoFile(path), demoInputs());
        EXPECT_EQ(first, second) << path;
        EXPECT_GT(first.size(), 100000u) << path;
    }
    EXPECT_NE(GenerateProductFile(demoFile("Modules\\codecs\\vdec07.dll"), demoInputs()),
              GenerateProductFile(demoFile("Modules\\codecs\\vdec08.dll"), demoInputs()));
}

// The three programs the setup relies on are the compiled ones, 64-bit, grown to their size.
TEST(ProductGenerator, TheSetupsProgramsAreTheCompiledOnesWithTheirVersion) {
    for (const auto& [path, type] : {std::pair{"mervo.exe", 1u}, std::pair{"UnInstall.exe", 1u},
                                     std::pair{"npmervo.dll", 2u}}) {
        const ProductFileEntry& entry = demoFile(path);
        const std::vector<uint8_t> bytes = GenerateProductFile(entry, demoInputs());
        std::ifstream in(fs::path(PRODUCT_PROGRAMS) / path, std::ios::binary);
        const std::vector<uint8_t> compiled{std::istreambuf_iterator<char>(in),
                                            std::istreambuf_iterator<char>()};
        ASSERT_GT(compiled.size(), 1000u) << path;
        EXPECT_TRUE(std::equal(compiled.begin(), compiled.end(), bytes.begin())) << path;
        EXPECT_EQ(bytes.size(), entry.size) << path;

        const PeFileReader pe(bytes);
        EXPECT_EQ(pe.machine(), 0x8664) << path;
        EXPECT_EQ(pe.optionalMagic(), 0x20B) << path;
        EXPECT_EQ(pe.fixedVersion().fileVersionText(), "3.5.0.61") << path;
        EXPECT_EQ(pe.fixedVersion().fileType, type) << path;
        const auto strings = pe.versionStrings();
        EXPECT_EQ(strings.at("<table>"), "080404b0");
        EXPECT_EQ(strings.at("CompanyName"), "Talvimo");
        EXPECT_EQ(strings.at("ProductName"), "Talvimo 播放器");
        EXPECT_EQ(strings.at("ProductVersion"), "3.5.0.61");
        EXPECT_EQ(strings.at("OriginalFilename"), path);
    }
    const PeFileReader dll(GenerateProductFile(demoFile("npmervo.dll"), demoInputs()));
    EXPECT_EQ(dll.characteristics() & 0x2000, 0x2000);
    EXPECT_EQ(dll.exportNames(),
              (std::vector<std::string>{"DllRegisterServer", "DllUnregisterServer"}));
}

// The other programs are linked from the filler objects, each with a version resource naming
// that file, and filled up to their size.
TEST(ProductGenerator, FillerProgramsCarryTheirOwnNameAndDescription) {
    for (const auto& [path, name, description, type] :
         {std::tuple{"Modules\\codecs\\vdec07.dll", "vdec07", "Talvimo 视频解码器", 2u},
          std::tuple{"Modules\\tools\\MervoShot.exe", "MervoShot", "Talvimo 截图工具", 1u},
          std::tuple{"MervoCore.dll", "MervoCore", "Talvimo 播放核心", 2u}}) {
        const ProductFileEntry& entry = demoFile(path);
        const std::vector<uint8_t> bytes = GenerateProductFile(entry, demoInputs());
        EXPECT_EQ(bytes.size(), entry.size) << path;
        const PeFileReader pe(bytes);
        EXPECT_EQ(pe.machine(), 0x8664) << path;
        EXPECT_EQ(pe.fixedVersion().fileVersionText(), "3.5.0.61") << path;
        EXPECT_EQ(pe.fixedVersion().fileType, type) << path;
        const auto strings = pe.versionStrings();
        EXPECT_EQ(strings.at("<table>"), "080404b0") << path;
        EXPECT_EQ(strings.at("InternalName"), name) << path;
        EXPECT_EQ(strings.at("OriginalFilename"), name + std::string(type == 2u ? ".dll" : ".exe"));
        EXPECT_EQ(strings.at("FileDescription"), description) << path;
        EXPECT_EQ(strings.at("LegalCopyright"), "Copyright (C) 2012 Talvimo") << path;
    }
    const PeFileReader module(GenerateProductFile(demoFile("MervoNet.dll"), demoInputs()));
    EXPECT_EQ(module.characteristics() & 0x2000, 0x2000);
    EXPECT_EQ(module.exportNames(), std::vector<std::string>{"ModuleInterfaceVersion"});
}

// What the manifest line says reaches the version resource as written: the number's parts in
// their places, and quotes and backslashes, which the resource script escapes.
TEST(ProductGenerator, VersionAndTextsReachTheResourceAsWritten) {
    ProductInputs inputs = demoInputs();
    inputs.manifest = ProductManifest::Parse(kSettings + "exe 40000 a.exe version=10.0.0.12\n"
                                                         "dll 40000 b.dll version=65535.0.65535.1\n"
                                                         "exe 40000 c.exe\n");
    const auto& files = inputs.manifest.files;
    EXPECT_EQ(PeFileReader(GenerateProductFile(files[0], inputs)).fixedVersion().fileVersionText(),
              "10.0.0.12");
    EXPECT_EQ(PeFileReader(GenerateProductFile(files[1], inputs)).fixedVersion().fileVersionText(),
              "65535.0.65535.1");
    ProductFileEntry quoted = files[2];
    quoted.description = "Talvimo \"专业版\" C:\\Tools\\";
    const auto strings = PeFileReader(GenerateProductFile(quoted, inputs)).versionStrings();
    EXPECT_EQ(strings.at("FileDescription"), quoted.description);
    EXPECT_EQ(strings.at("ProductVersion"), "1.0.0.1");
}

TEST(ProductGenerator, AFillerThatCannotBeMadeIsReportedWithItsName) {
    ProductInputs inputs = demoInputs();
    inputs.manifest = ProductManifest::Parse(kSettings + "dll 40000 Modules\\x.dll\n"
                                                         "exe 40000 y.exe description=\"a\tb\"\n");
    const auto message = [&](const ProductFileEntry& file) -> std::string {
        try {
            GenerateProductFile(file, inputs);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "<no error>";
    };
    EXPECT_EQ(message(inputs.manifest.files[1]),
              "a version string cannot hold a control character: a\tb");
    TempFolder empty;
    inputs.programsFolder = empty.path();
    const std::string linkError = message(inputs.manifest.files[0]);
    EXPECT_TRUE(linkError.starts_with("cannot link Modules\\x.dll: ")) << linkError;
    EXPECT_NE(linkError.find("module.o"), std::string::npos) << linkError;
}

TEST(ProductGenerator, FileRecognisesTheProgramsAs64BitWindowsPrograms) {
    TempFolder folder;
    const fs::path exe = folder.path() / "MervoUpdate.exe";
    const fs::path dll = folder.path() / "MervoCore.dll";
    for (const auto& [file, path] :
         {std::pair{exe, "MervoUpdate.exe"}, std::pair{dll, "MervoCore.dll"}}) {
        const auto bytes = GenerateProductFile(demoFile(path), demoInputs());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    const ProgramResult exeType = RunProgram({"file", "-b", exe.string()});
    ASSERT_EQ(exeType.exitCode, 0) << exeType.output;
    EXPECT_NE(exeType.output.find("PE32+ executable (GUI) x86-64"), std::string::npos)
        << exeType.output;
    const ProgramResult dllType = RunProgram({"file", "-b", dll.string()});
    EXPECT_NE(dllType.output.find("PE32+ executable (DLL) (GUI) x86-64"), std::string::npos)
        << dllType.output;
}

TEST(ProductManifest, SeriesExpandToNumberedFilesAroundTheGivenSize) {
    const ProductManifest manifest =
        ProductManifest::Parse(kSettings + "dll 100000 A\\codec{n}.dll count=12\n");
    ASSERT_EQ(manifest.files.size(), 12u);
    EXPECT_EQ(manifest.files.front().path, "A\\codec01.dll");
    EXPECT_EQ(manifest.files.back().path, "A\\codec12.dll");
    bool sizesDiffer = false;
    for (const auto& file : manifest.files) {
        EXPECT_GE(file.size, 65000u);
        EXPECT_LE(file.size, 135000u);
        EXPECT_EQ(file.version, "1.0.0.1");
        sizesDiffer |= file.size != manifest.files.front().size;
    }
    EXPECT_TRUE(sizesDiffer);
}

TEST(ProductManifest, BadLinesAreRefusedNamingTheLine) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"exe 1000 a.exe colour=red\n", "manifest line 4: unknown option: colour"},
        {"exe 1000 a{n}.exe\n", "manifest line 4: a series needs count=N and {n} in its path"},
        {"exe 1000 ..\\a.exe\n", "manifest line 4: not a plain relative Windows path: ..\\a.exe"},
        {"exe 1000 C:\\a.exe\n", "manifest line 4: not a plain relative Windows path: C:\\a.exe"},
        {"exe 1000 a/b.exe\n", "manifest line 4: not a plain relative Windows path: a/b.exe"},
        {"exe 0 a.exe\n", "manifest line 4: a generated file needs a size"},
        {"exe 12k a.exe\n", "manifest line 4: not a number: 12k"},
        {"copy 10 a.txt source=a.txt\n",
         "manifest line 4: a copied file takes its size from its source; write -"},
        {"copy - a.txt source=..\\secret\n",
         "manifest line 4: a copied file needs source=<relative path>"},
        {"exe 1000 a.exe version=1.2.3\n", "manifest line 4: bad file version: 1.2.3"},
        {"exe 1000 a.exe version=1.2.3.65536\n", "manifest line 4: bad file version: 1.2.3.65536"},
        {"exe 1000 a.exe media=lots\n", "manifest line 4: not a number: lots"},
        {"exe 1000 a.exe description=\"open\n", "manifest line 4: unterminated quote"},
        {"exe 1000 a.exe\nversion 2.0.0.0\n", "manifest line 5: settings come before the files"},
        {"", "manifest lists no files"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(parseError(kSettings + text), message) << text;
}

TEST(ProductTree, WritesAFreshTreeWithFixedTimesAndASortedList) {
    TempFolder folder;
    const fs::path out = folder.path() / "product";
    const fs::path list = folder.path() / "list";
    ProductInputs inputs = demoInputs();
    inputs.manifest = ProductManifest::Parse(kSettings + "txt 100 Old\\stale.txt\n"
                                                         "txt 100 Readme.txt\n");
    WriteProductTree(inputs, out, list);
    std::ofstream(out / "notes.txt") << "not ours";

    inputs.manifest = ProductManifest::Parse(kSettings + "txt 3000 Readme.txt\n"
                                                         "media 5000 B\\Z.dat\n"
                                                         "ini 2000 B\\a.ini\n");
    const ProductSummary summary = WriteProductTree(inputs, out, list);
    EXPECT_EQ(summary.files, 3u);
    EXPECT_EQ(summary.bytes, 10000u);
    EXPECT_FALSE(fs::exists(out / "Old")) << "what an earlier run wrote is cleared away";
    EXPECT_TRUE(fs::exists(out / "notes.txt")) << "what it did not write is left alone";
    EXPECT_EQ(fs::file_size(out / "Readme.txt"), 3000u);

    std::ifstream listed(list);
    std::string all((std::istreambuf_iterator<char>(listed)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "B/Z.dat\nB/a.ini\nReadme.txt\n");
    struct stat info {};
    ASSERT_EQ(stat((out / "B" / "a.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, inputs.manifest.modificationTime);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    EXPECT_EQ(inputs.manifest.modificationTime, 1340011800); // 2012-06-18 09:30:00 UTC
}

TEST(ProductTree, NamesThatDifferOnlyInCaseAreOneFileOnWindows) {
    TempFolder folder;
    ProductInputs inputs = demoInputs();
    inputs.manifest = ProductManifest::Parse(kSettings + "txt 100 B\\Readme.txt\n"
                                                         "txt 100 b\\README.TXT\n");
    try {
        WriteProductTree(inputs, folder.path() / "product", folder.path() / "list");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "product file listed twice: b\\README.TXT");
    }
    EXPECT_FALSE(fs::exists(folder.path() / "list"));
}

// The files are made by two workers; a failure is still reported, for the first failing file in
// the manifest's order, and leaves no list behind that would mark the tree as finished.
TEST(ProductTree, TheFirstFileThatFailsIsReportedAndNoListIsWritten) {
    TempFolder folder;
    ProductInputs inputs = demoInputs();
    const auto texts = [](char series) {
        std::string lines;
        for (int i = 0; i < 6; ++i)
            lines += std::string("txt 20000 ") + series + std::to_string(i) + ".txt\n";
        return lines;
    };
    inputs.manifest =
        ProductManifest::Parse(kSettings + texts('a') + "copy - a.txt source=gone1.txt\n" +
                               texts('b') + "copy - b.txt source=gone2.txt\n" + texts('c'));
    for (int round = 0; round < 3; ++round) {
        try {
            WriteProductTree(inputs, folder.path() / "product", folder.path() / "list");
            FAIL() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), "cannot read " + (inputs.folder / "gone1.txt").string());
        }
        EXPECT_FALSE(fs::exists(folder.path() / "list"));
    }
}
