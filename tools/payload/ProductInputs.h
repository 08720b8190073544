// Everything the product is generated from, read from the product folder
// (resources/product): the manifest, the word list for texts and strings, the functions
// programs may import, and the hand-written files copied as they are.
#pragma once

#include "ImportTable.h"
#include "ProductManifest.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct ProductInputs {
    std::filesystem::path folder;
    std::filesystem::path programsFolder; // the compiled programs that program= names
    ProductManifest manifest;
    std::vector<std::string> words;
    std::vector<ImportedLibrary> imports;

    static ProductInputs load(const std::filesystem::path& folder,
                              const std::filesystem::path& programsFolder);
};

// "LIBRARY.dll: Function Function ..." lines; a library may span several lines.
std::vector<ImportedLibrary> ParseImportList(std::string_view text);
// Words separated by white space; "#" starts a comment.
std::vector<std::string> ParseWordList(std::string_view text);
