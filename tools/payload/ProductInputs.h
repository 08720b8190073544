// Everything the product is generated from: from the product folder (resources/product) the
// manifest, the word list for texts and the hand-written files copied as they are; from the
// programs folder the compiled programs and the filler objects the other program files are
// linked from.
#pragma once

#include "ProductManifest.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct ProductInputs {
    std::filesystem::path folder;
    std::filesystem::path programsFolder; // compiled programs (program=) and filler objects
    ProductManifest manifest;
    std::vector<std::string> words;

    static ProductInputs Load(const std::filesystem::path& folder,
                              const std::filesystem::path& programsFolder);
};

// Words separated by white space; "#" starts a comment.
std::vector<std::string> ParseWordList(std::string_view text);
