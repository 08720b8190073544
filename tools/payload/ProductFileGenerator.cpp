#include "ProductFileGenerator.h"

#include "FillerProgram.h"
#include "MediaGenerator.h"
#include "SeededRandom.h"
#include "TextGenerator.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

// Share of a program's bulk that is already-compressed media; the rest is text.
constexpr double kProgramMediaShare = 0.1;

std::vector<uint8_t> ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A program grown to the size the manifest gives it: generated bulk (the player's embedded
// media and texts) appended after the image, where the Windows loader never looks.
std::vector<uint8_t> ProgramFile(const ProductFileEntry& file, const ProductInputs& inputs,
                                 SeededRandom& random, TextGenerator& text) {
    std::vector<uint8_t> bytes =
        file.program.empty() ? LinkFillerProgram(file, inputs.manifest, inputs.programsFolder)
                             : ReadFile(inputs.programsFolder / file.program);
    if (bytes.size() >= file.size)
        return bytes;
    const size_t room = file.size - bytes.size();
    const auto ownMedia = static_cast<size_t>(static_cast<double>(file.size) * file.mediaShare);
    const size_t media = std::min(
        room, ownMedia + static_cast<size_t>(static_cast<double>(room) * kProgramMediaShare));
    const std::vector<uint8_t> packed = GenerateMedia(random, media);
    const std::string words = text.PlainDocument(room - media);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    bytes.insert(bytes.end(), words.begin(), words.end());
    return bytes;
}

std::vector<uint8_t> BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

std::vector<uint8_t> GenerateProductFile(const ProductFileEntry& file,
                                         const ProductInputs& inputs) {
    SeededRandom random(SeededRandom::MixSeed(inputs.manifest.seed, file.path));
    TextGenerator text(inputs.words, random);
    switch (file.kind) {
    case ProductFileKind::Executable:
    case ProductFileKind::Library:
        return ProgramFile(file, inputs, random, text);
    case ProductFileKind::IniText:
        return BytesOf(text.IniDocument(file.size));
    case ProductFileKind::XmlText:
        return BytesOf(text.XmlDocument(file.size));
    case ProductFileKind::PlainText:
        return BytesOf(text.PlainDocument(file.size));
    case ProductFileKind::Media:
        return GenerateMedia(random, file.size);
    case ProductFileKind::Copy:
        return ReadFile(inputs.folder / file.source);
    }
    throw std::logic_error("unknown product file kind");
}
