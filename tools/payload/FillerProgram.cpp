#include "FillerProgram.h"

#include "RunProgram.h"
#include "VersionInfo.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

const char* const kCompiler = "x86_64-w64-mingw32-gcc";
const char* const kResourceCompiler = "x86_64-w64-mingw32-windres";

// A folder of its own for one link's intermediate files, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "filler-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a scratch folder in " +
                                     fs::temp_directory_path().string());
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

std::string FileNameOf(const std::string& windowsPath) {
    const size_t slash = windowsPath.rfind('\\');
    return slash == std::string::npos ? windowsPath : windowsPath.substr(slash + 1);
}

std::string StemOf(const std::string& fileName) {
    return fileName.substr(0, fileName.rfind('.'));
}

VersionResourceFields VersionFieldsOf(const ProductFileEntry& file,
                                      const ProductManifest& manifest) {
    const std::string fileName = FileNameOf(file.path);
    VersionResourceFields fields;
    fields.isLibrary = file.kind == ProductFileKind::Library;
    fields.fileVersion = FileVersion::Parse(file.version);
    fields.productVersion = FileVersion::Parse(manifest.version);
    fields.strings = {
        {"CompanyName", manifest.company},
        {"FileDescription", file.description.empty() ? manifest.product : file.description},
        {"FileVersion", file.version},
        {"InternalName", StemOf(fileName)},
        {"LegalCopyright", manifest.copyright},
        {"OriginalFilename", fileName},
        {"ProductName", manifest.product},
        {"ProductVersion", manifest.version},
    };
    return fields;
}

void Run(const std::vector<std::string>& arguments, const fs::path& folder,
         const std::string& failure) {
    const ProgramResult result = RunProgram(arguments, folder.string());
    if (result.exitCode != 0)
        throw std::runtime_error(failure + ": " + result.output);
}

} // namespace

std::vector<uint8_t> LinkFillerProgram(const ProductFileEntry& file,
                                       const ProductManifest& manifest,
                                       const fs::path& programsFolder) {
    const bool library = file.kind == ProductFileKind::Library;
    const ScratchFolder scratch;
    const fs::path script = scratch.Path() / "version.rc";
    const fs::path resources = scratch.Path() / "version.o";
    // The image takes the file's own name: the linker writes it into a library's export
    // directory and derives the library's preferred load address from it.
    const std::string fileName = FileNameOf(file.path);
    {
        std::ofstream out(script, std::ios::binary);
        out << VersionResourceScript(VersionFieldsOf(file, manifest));
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + script.string());
    }
    Run({kResourceCompiler, "-c", "65001", script.string(), resources.string()}, scratch.Path(),
        "cannot compile the version resource of " + file.path);
    // The link options of the compiled programs (resources/product/programs/CMakeLists.txt).
    std::vector<std::string> link = {
        kCompiler, "-s", "-municode", "-mwindows", "-static-libgcc", "-Wl,--no-insert-timestamp"};
    if (library)
        link.push_back("-shared");
    link.insert(link.end(),
                {"-o", fileName,
                 fs::absolute(programsFolder / (library ? "module.o" : "tool.o")).string(),
                 resources.string()});
    Run(link, scratch.Path(), "cannot link " + file.path);

    std::ifstream in(scratch.Path() / fileName, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    if (bytes.empty())
        throw std::runtime_error("cannot read the linked " + file.path);
    return bytes;
}
