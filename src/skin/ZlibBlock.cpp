#include "skin/ZlibBlock.h"

#include "skin/SkinErrors.h"

#include "rtl/ZlibStream.h"

#include <zlib.h>

#include <algorithm>

namespace {
// The stream does not say how long it inflates to. Deflate cannot expand one input byte to
// more than 1032 output bytes, so the buffer grows from a first guess up to that bound; past it
// the stream is damaged. Stored skins are mostly flat bitmap rows, around a hundred times their
// compressed size.
constexpr std::size_t kFirstGuess = std::size_t{1} << 20;
constexpr std::size_t kMaxExpansion = 1032;
constexpr std::size_t kZlibFrame = 6; // two header bytes, four checksum bytes
} // namespace

std::vector<std::uint8_t> InflateBlock(std::span<const std::uint8_t> block) {
    const std::size_t bound = std::max(block.size(), kZlibFrame) * kMaxExpansion;
    std::vector<std::uint8_t> out;
    for (std::size_t capacity = std::min(std::max(kFirstGuess, block.size() * 16), bound);;
         capacity = std::min(capacity * 2, bound)) {
        out.resize(capacity);
        std::size_t produced = 0;
        const TInflateResult result = InflateZlib(block, out, produced);
        if (result == TInflateResult::Done) {
            out.resize(produced);
            return out;
        }
        if (result == TInflateResult::Damaged || capacity == bound)
            throw EDecompressionError();
    }
}

std::vector<std::uint8_t> DeflateBlock(std::span<const std::uint8_t> data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
        throw EDecompressionError();
    out.resize(size);
    return out;
}
