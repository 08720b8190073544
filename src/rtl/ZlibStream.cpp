#include "ZlibStream.h"

#include <libdeflate.h>

#include <memory>
#include <new>

namespace {
struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
} // namespace

TInflateResult InflateZlib(std::span<const std::uint8_t> stream, std::span<std::uint8_t> output,
                           std::size_t& produced) {
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor)
        throw std::bad_alloc();
    produced = 0;
    switch (libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(),
                                       output.data(), output.size(), &produced)) {
    case LIBDEFLATE_SUCCESS:
        return TInflateResult::Done;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return TInflateResult::OutputFull;
    default:
        return TInflateResult::Damaged;
    }
}
