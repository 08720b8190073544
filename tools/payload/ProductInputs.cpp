#include "ProductInputs.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string withoutComment(const std::string& line) {
    return line.substr(0, line.find('#'));
}

} // namespace

std::vector<ImportedLibrary> ParseImportList(std::string_view text) {
    std::vector<ImportedLibrary> libraries;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(withoutComment(line));
        std::string library;
        if (!(fields >> library))
            continue;
        if (library.size() < 2 || library.back() != ':')
            throw std::runtime_error("import list: expected \"LIBRARY.dll:\" at " + library);
        library.pop_back();
        ImportedLibrary* entry = nullptr;
        for (auto& existing : libraries)
            if (existing.name == library)
                entry = &existing;
        if (entry == nullptr)
            entry = &libraries.emplace_back(ImportedLibrary{library, {}});
        std::string function;
        while (fields >> function)
            entry->functions.push_back(function);
    }
    if (libraries.empty())
        throw std::runtime_error("import list is empty");
    return libraries;
}

std::vector<std::string> ParseWordList(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(withoutComment(line));
        std::string word;
        while (fields >> word)
            words.push_back(word);
    }
    if (words.empty())
        throw std::runtime_error("word list is empty");
    return words;
}

ProductInputs ProductInputs::load(const std::filesystem::path& folder,
                                  const std::filesystem::path& programsFolder) {
    ProductInputs inputs;
    inputs.folder = folder;
    inputs.programsFolder = programsFolder;
    inputs.manifest = ProductManifest::load(folder / "product.manifest");
    inputs.words = ParseWordList(readText(folder / "words.txt"));
    inputs.imports = ParseImportList(readText(folder / "imports.txt"));
    return inputs;
}
