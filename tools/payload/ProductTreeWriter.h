// Writes the whole demo product into a folder, replacing the files an earlier run listed
// (nothing else there is touched), and a list file of the relative paths for the archiver. Every
// file gets the same permissions and the manifest's modification time, so archiving the tree gives
// the same listing every time.
#pragma once

#include "ProductInputs.h"

#include <cstdint>
#include <filesystem>

struct ProductSummary {
    size_t files = 0;
    uint64_t bytes = 0;
};

ProductSummary WriteProductTree(const ProductInputs& inputs,
                                const std::filesystem::path& outputFolder,
                                const std::filesystem::path& listFile);
