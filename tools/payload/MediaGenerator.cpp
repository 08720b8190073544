#include "MediaGenerator.h"

#include "ByteBuffer.h"

namespace {

void putRandomBytes(ByteBuffer& out, SeededRandom& random, size_t count) {
    for (size_t i = 0; i < count; i += 8) {
        const uint64_t value = random.next();
        for (size_t k = 0; k < 8 && i + k < count; ++k)
            out.put8(static_cast<uint8_t>(value >> (8 * k)));
    }
}

} // namespace

std::vector<uint8_t> GenerateMedia(SeededRandom& random, size_t size) {
    static const char* const kTags[] = {"IMGD", "SNDD", "FRMD", "PALD"};
    ByteBuffer out;
    out.putText("MSKN");
    out.put32(1); // format version
    out.put32(static_cast<uint32_t>(size));
    while (out.size() + 12 < size) {
        const size_t room = size - out.size() - 12;
        const size_t payload = std::min<size_t>(room, 512 + random.below(64 * 1024));
        out.putText(kTags[random.skewed(4)]);
        out.put32(static_cast<uint32_t>(payload));
        putRandomBytes(out, random, payload);
        out.put32(static_cast<uint32_t>(random.next())); // chunk check value
    }
    std::vector<uint8_t> bytes = out.take();
    bytes.resize(size);
    return bytes;
}
