#include "skin/ZlibBlock.h"

#include "skin/SkinErrors.h"

#include <zlib.h>

namespace {
// The block is inflated in steps of this many output bytes.
constexpr std::size_t kInflateStep = 4096;
} // namespace

std::vector<std::uint8_t> InflateBlock(std::span<const std::uint8_t> block) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        throw EDecompressionError();
    stream.next_in = const_cast<Bytef*>(block.data());
    stream.avail_in = static_cast<uInt>(block.size());

    std::vector<std::uint8_t> out;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        std::size_t used = out.size();
        out.resize(used + kInflateStep);
        stream.next_out = out.data() + used;
        stream.avail_out = static_cast<uInt>(kInflateStep);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(used + (kInflateStep - stream.avail_out));
        // Z_BUF_ERROR with input left over cannot happen; without input it means the
        // stream ends early.
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            throw EDecompressionError();
        }
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            inflateEnd(&stream);
            throw EDecompressionError();
        }
    }
    inflateEnd(&stream);
    return out;
}

std::vector<std::uint8_t> DeflateBlock(std::span<const std::uint8_t> data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
        throw EDecompressionError();
    out.resize(size);
    return out;
}
