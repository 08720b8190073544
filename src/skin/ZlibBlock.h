// The stored skin's compressed block: a zlib stream (RFC 1950).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Inflates the whole block into memory; a damaged or truncated stream raises
// EDecompressionError.
std::vector<std::uint8_t> InflateBlock(std::span<const std::uint8_t> block);

// Compresses at the given zlib level (the stored skin uses 9).
std::vector<std::uint8_t> DeflateBlock(std::span<const std::uint8_t> data, int level = 9);
