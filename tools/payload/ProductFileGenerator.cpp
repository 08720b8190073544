#include "ProductFileGenerator.h"

#include "MediaGenerator.h"
#include "ProgramImageGenerator.h"
#include "SeededRandom.h"
#include "TextGenerator.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

constexpr uint32_t kExecutableBase = 0x00400000;
constexpr uint32_t kLibraryBaseLow = 0x10000000;
constexpr uint32_t kLibraryBaseSlots = 0x3000; // 64 KiB steps up to 0x40000000
// Share of a compiled program's bulk that is already-compressed media; the rest is text.
constexpr double kCompiledMediaShare = 0.2;

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stemOf(const std::string& fileName) {
    return fileName.substr(0, fileName.rfind('.'));
}

std::vector<uint8_t> programImage(const ProductFileEntry& file, const ProductInputs& inputs,
                                  SeededRandom& random) {
    const ProductManifest& manifest = inputs.manifest;
    ProgramImageOptions options;
    options.kind = file.kind == ProductFileKind::Library ? PeKind::Library : PeKind::Executable;
    options.fileName = fileNameOf(file.path);
    options.size = file.size;
    options.timeDateStamp = static_cast<uint32_t>(manifest.modificationTime);
    options.imageBase = options.kind == PeKind::Library
                            ? kLibraryBaseLow + 0x10000 * random.below(kLibraryBaseSlots)
                            : kExecutableBase;
    options.exports = file.exports;
    options.mediaShare = file.mediaShare;
    options.version.isLibrary = options.kind == PeKind::Library;
    options.version.fileVersion = FileVersion::parse(file.version);
    options.version.productVersion = FileVersion::parse(manifest.version);
    options.version.strings = {
        {"CompanyName", manifest.company},
        {"FileDescription", file.description.empty() ? manifest.product : file.description},
        {"FileVersion", file.version},
        {"InternalName", stemOf(options.fileName)},
        {"LegalCopyright", manifest.copyright},
        {"OriginalFilename", options.fileName},
        {"ProductName", manifest.product},
        {"ProductVersion", manifest.version},
    };
    return GenerateProgramImage(options, {inputs.imports, inputs.words}, random);
}

std::vector<uint8_t> readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A compiled program grown to the size the manifest gives it: generated bulk (the player's
// embedded media and texts) appended after the image, where the Windows loader never looks.
std::vector<uint8_t> compiledProgram(const ProductFileEntry& file, const ProductInputs& inputs,
                                     SeededRandom& random, TextGenerator& text) {
    std::vector<uint8_t> bytes = readFile(inputs.programsFolder / file.program);
    if (bytes.size() >= file.size)
        return bytes;
    const size_t room = file.size - bytes.size();
    const size_t media = static_cast<size_t>(static_cast<double>(room) * kCompiledMediaShare);
    const std::vector<uint8_t> packed = GenerateMedia(random, media);
    const std::string words = text.plainDocument(room - media);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    bytes.insert(bytes.end(), words.begin(), words.end());
    return bytes;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

std::vector<uint8_t> GenerateProductFile(const ProductFileEntry& file,
                                         const ProductInputs& inputs) {
    SeededRandom random(SeededRandom::mixSeed(inputs.manifest.seed, file.path));
    TextGenerator text(inputs.words, random);
    switch (file.kind) {
    case ProductFileKind::Executable:
    case ProductFileKind::Library:
        if (!file.program.empty())
            return compiledProgram(file, inputs, random, text);
        return programImage(file, inputs, random);
    case ProductFileKind::IniText:
        return bytesOf(text.iniDocument(file.size));
    case ProductFileKind::XmlText:
        return bytesOf(text.xmlDocument(file.size));
    case ProductFileKind::PlainText:
        return bytesOf(text.plainDocument(file.size));
    case ProductFileKind::Media:
        return GenerateMedia(random, file.size);
    case ProductFileKind::Copy:
        return readFile(inputs.folder / file.source);
    }
    throw std::logic_error("unknown product file kind");
}
