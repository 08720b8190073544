// Whole zlib streams (RFC 1950) inflated in one call through libdeflate, which is several
// times faster than zlib's step-wise inflate on the long runs of pictures and skins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

enum class TInflateResult {
    Done,       // the stream ended within the output; produced holds its length
    OutputFull, // the stream is sound so far but inflates to more than the output holds
    Damaged,    // not a zlib stream, cut short, or its checksum does not match
};

TInflateResult InflateZlib(std::span<const std::uint8_t> stream, std::span<std::uint8_t> output,
                           std::size_t& produced);
