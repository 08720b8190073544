// The content of one product file, made from its manifest line alone (and, for copied
// files, its source): the same line always gives the same bytes, whatever else the
// manifest holds.
#pragma once

#include "ProductInputs.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> GenerateProductFile(const ProductFileEntry& file, const ProductInputs& inputs);
