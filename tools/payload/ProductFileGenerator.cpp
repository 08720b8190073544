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

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> copiedFile(const ProductFileEntry& file, const ProductInputs& inputs) {
    const auto source = inputs.folder / file.source;
    std::ifstream in(source, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + source.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

std::vector<uint8_t> GenerateProductFile(const ProductFileEntry& file,
                                         const ProductInputs& inputs) {
    SeededRandom random(SeededRandom::mixSeed(inputs.manifest.seed, file.path));
    TextGenerator text(inputs.words, random);
    switch (file.kind) {
    case ProductFileKind::Executable:
    case ProductFileKind::Library:
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
        return copiedFile(file, inputs);
    }
    throw std::logic_error("unknown product file kind");
}
