#include "ProductInputs.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WithoutComment(const std::string& line) {
    return line.substr(0, line.find('#'));
}

} // namespace

std::vector<std::string> ParseWordList(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(WithoutComment(line));
        std::string word;
        while (fields >> word)
            words.push_back(word);
    }
    if (words.empty())
        throw std::runtime_error("word list is empty");
    return words;
}

ProductInputs ProductInputs::Load(const std::filesystem::path& folder,
                                  const std::filesystem::path& programsFolder) {
    ProductInputs inputs;
    inputs.folder = folder;
    inputs.programsFolder = programsFolder;
    inputs.manifest = ProductManifest::Load(folder / "product.manifest");
    inputs.words = ParseWordList(ReadText(folder / "words.txt"));
    return inputs;
}
