#include "MediaGenerator.h"

#include <string_view>

namespace {

void PutText(std::vector<uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutRandomBytes(std::vector<uint8_t>& out, SeededRandom& random, size_t count) {
    for (size_t i = 0; i < count; i += 8) {
        const uint64_t value = random.Next();
        for (size_t k = 0; k < 8 && i + k < count; ++k)
            out.push_back(static_cast<uint8_t>(value >> (8 * k)));
    }
}

} // namespace

std::vector<uint8_t> GenerateMedia(SeededRandom& random, size_t size) {
    static const char* const kTags[] = {"IMGD", "SNDD", "FRMD", "PALD"};
    std::vector<uint8_t> out;
    out.reserve(size + 8);
    PutText(out, "MSKN");
    Put32(out, 1); // format version
    Put32(out, static_cast<uint32_t>(size));
    while (out.size() + 12 < size) {
        const size_t room = size - out.size() - 12;
        const size_t payload = std::min<size_t>(room, 512 + random.Below(64 * 1024));
        PutText(out, kTags[random.Skewed(4)]);
        Put32(out, static_cast<uint32_t>(payload));
        PutRandomBytes(out, random, payload);
        Put32(out, static_cast<uint32_t>(random.Next())); // chunk check value
    }
    out.resize(size);
    return out;
}
