#include "support/VersionPe.h"

namespace testing_support {
namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kSectionFileOffset = 0x200;

void Put16(std::string& out, size_t at, std::uint32_t value) {
    if (out.size() < at + 2)
        out.resize(at + 2);
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

// VS_VERSIONINFO with the fixed record only: header, key, padding to 32 bits, 52-byte value.
std::string VersionBlock(std::uint32_t ms, std::uint32_t ls) {
    std::string block;
    const std::u16string key = u"VS_VERSION_INFO";
    Put16(block, 2, 52);
    Put16(block, 4, 0);
    for (size_t i = 0; i <= key.size(); ++i)
        Put16(block, 6 + 2 * i, i < key.size() ? key[i] : 0);
    const size_t value = 40;
    Put32(block, value, 0xFEEF04BD);
    Put32(block, value + 4, 0x00010000);
    Put32(block, value + 8, ms);
    Put32(block, value + 12, ls);
    Put32(block, value + 16, 0x00010000); // product version 1.0.0.0, which must not be read
    Put32(block, value + 20, 0);
    Put32(block, value + 48, 0);
    Put16(block, 0, static_cast<std::uint32_t>(block.size()));
    return block;
}

// The resource tree: type -> name 1 -> language 0x804 -> data entry -> data.
std::string ResourceSection(std::uint32_t type, const std::string& data) {
    std::string section;
    auto directory = [&](size_t at, std::uint32_t id, std::uint32_t target) {
        Put16(section, at + 14, 1); // one numbered entry
        Put32(section, at + 16, id);
        Put32(section, at + 20, target);
    };
    directory(0x00, type, 0x80000000 | 0x18);
    directory(0x18, 1, 0x80000000 | 0x30);
    directory(0x30, 0x0804, 0x48);
    Put32(section, 0x48, kSectionRva + 0x58);
    Put32(section, 0x4C, static_cast<std::uint32_t>(data.size()));
    section.resize(0x58);
    section += data;
    section.resize((section.size() + 0x1FF) / 0x200 * 0x200);
    return section;
}

} // namespace

std::string VersionedPe(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                        std::uint16_t revision, PeOptions options) {
    const std::string section =
        options.withVersion
            ? ResourceSection(16, VersionBlock(std::uint32_t{major} << 16 | minor,
                                               std::uint32_t{build} << 16 | revision))
            : ResourceSection(10, "plain data");
    std::string image(kSectionFileOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, 0x40);
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    const std::uint32_t optionalSize = options.pe32Plus ? 240 : 224;
    Put16(image, 0x44, options.pe32Plus ? 0x8664 : 0x14C);
    Put16(image, 0x46, 1); // sections
    Put16(image, 0x54, optionalSize);
    Put16(image, 0x56, 0x0102);
    const size_t optional = 0x58;
    Put16(image, optional, options.pe32Plus ? 0x20B : 0x10B);
    const size_t directories = optional + (options.pe32Plus ? 112 : 96);
    Put32(image, directories - 4, 16);
    Put32(image, directories + 16, kSectionRva); // resource directory
    Put32(image, directories + 20, static_cast<std::uint32_t>(section.size()));
    const size_t header = optional + optionalSize;
    image.replace(header, 6, ".rsrc\0", 6);
    Put32(image, header + 8, static_cast<std::uint32_t>(section.size()));
    Put32(image, header + 12, kSectionRva);
    Put32(image, header + 16, static_cast<std::uint32_t>(section.size()));
    Put32(image, header + 20, kSectionFileOffset);
    Put32(image, header + 36, 0x40000040);
    image.resize(kSectionFileOffset);
    return image + section;
}

} // namespace testing_support
